#pragma once
// A joinable native thread that can be raised to the highest priority the
// system grants and, as a last resort, cancelled by force.
#include <pthread.h>
#include <sys/types.h>

#include <atomic>

namespace platform {

class CThread {
 public:
  using Procedure = unsigned (*)(void* argument);

  CThread() = default;
  ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Starts `procedure(argument)`; false when the system refuses the thread.
  bool Start(Procedure procedure, void* argument) noexcept;
  // Raises the thread to the top of the normal (time-shared) priorities.
  // Real-time scheduling is deliberately not used: idle work must never
  // compete with a host's audio threads. Unprivileged processes are usually
  // refused; that is not an error, the thread simply keeps its priority.
  // Returns whether the request was granted.
  bool RaiseToHighestPriority() noexcept;
  // Waits for the thread to return.
  void Join() noexcept;
  // Cancels the thread at its next cancellation point (SleepMs) and reaps it.
  // The procedure must not sleep inside a catch-all block or a noexcept frame.
  void Terminate() noexcept;
  bool IsRunning() const noexcept { return m_bStarted; }

 private:
  static void* Trampoline(void* self);

  pthread_t m_hThread{};
  Procedure m_pProcedure = nullptr;
  void* m_pArgument = nullptr;
  bool m_bStarted = false;
  std::atomic<pid_t> m_nThreadId{0};
};

}  // namespace platform
