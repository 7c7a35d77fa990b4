#include "tools/spanora/StopSignals.h"

#include <csignal>

#include "Helpers/ErrorReport.h"

namespace spanora {
namespace {

volatile std::sig_atomic_t g_nStopSignal = 0;
struct sigaction g_previousInterrupt {};
struct sigaction g_previousTerminate {};

void RecordStopSignal(int signal) { g_nStopSignal = signal; }

}  // namespace

CStopSignalScope::CStopSignalScope() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    g_nStopSignal = 0;
    struct sigaction action {};
    action.sa_handler = &RecordStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previousInterrupt);
    sigaction(SIGTERM, &action, &g_previousTerminate);
  });
}

CStopSignalScope::~CStopSignalScope() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    sigaction(SIGINT, &g_previousInterrupt, nullptr);
    sigaction(SIGTERM, &g_previousTerminate, nullptr);
  });
}

int CStopSignalScope::GetSignal() noexcept { return g_nStopSignal; }

}  // namespace spanora
