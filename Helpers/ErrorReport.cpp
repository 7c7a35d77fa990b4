#include "Helpers/ErrorReport.h"

#include <atomic>

namespace kiv {
namespace {
void SilentHook(const char*) {}
std::atomic<ErrorReportHook> g_hook{&SilentHook};
}  // namespace

ErrorReportHook SetErrorReportHook(ErrorReportHook hook) noexcept {
  return g_hook.exchange(hook ? hook : &SilentHook);
}

void ReportError(const char* signature) noexcept { g_hook.load()(signature ? signature : ""); }

}  // namespace kiv
