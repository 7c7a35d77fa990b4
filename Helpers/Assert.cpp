#include "Helpers/Assert.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/Clock.h"
#include "platform/Dialogs.h"

namespace kiv {
namespace {
std::atomic<bool> g_reporting{false};
std::mutex g_previousMutex;  // assertion reports are never on the audio path's hot loop
char g_previous[512] = {};
}  // namespace

void AssertFailed(const char* file, int line, const char* function, const char* expression) noexcept {
  if (g_reporting.exchange(true)) return;  // a report is on screen: drop this one
  bool repeat = false;
  {
    std::lock_guard<std::mutex> lock(g_previousMutex);
    repeat = std::strncmp(g_previous, expression, sizeof g_previous - 1) == 0;
    if (!repeat) std::snprintf(g_previous, sizeof g_previous, "%s", expression);
  }
  if (!repeat) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s(%i): %s expression='%s'", file, line, function, expression);
    platform::MessageBox("Assertion Failed", text, platform::EMessageButtons::Ok,
                         platform::EMessageIcon::Error);
    char debug[600];
    std::snprintf(debug, sizeof debug, "Assertion Failed: '%s'\r\n", expression);
    platform::OutputDebugString(debug);
    platform::SleepMs(1);
  }
  g_reporting.store(false);
}

void ResetAssertMemory() noexcept {
  std::lock_guard<std::mutex> lock(g_previousMutex);
  g_previous[0] = '\0';
}

}  // namespace kiv
