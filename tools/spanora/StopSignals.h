#pragma once
// SIGINT and SIGTERM during a render: the handler only records the signal,
// the render loop polls it between blocks, cleans up and exits with
// 128 + the signal number.
namespace spanora {

class CStopSignalScope {
 public:
  CStopSignalScope();   // installs the handlers and clears a recorded signal
  ~CStopSignalScope();  // restores the previous handlers
  CStopSignalScope(const CStopSignalScope&) = delete;
  CStopSignalScope& operator=(const CStopSignalScope&) = delete;

  // The signal received since construction, 0 for none.
  static int GetSignal() noexcept;
};

}  // namespace spanora
