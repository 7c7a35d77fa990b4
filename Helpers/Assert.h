#pragma once
// Assertions that report and carry on: a failed KIV_ASSERT shows a message box
// titled "Assertion Failed" with "file(line): function expression='expr'",
// writes "Assertion Failed: 'expr'\r\n" to the debugger output, sleeps 1 ms and
// returns. Reports raised while one is on screen, and a repeat of the previous
// expression, are dropped. Active in every build: the cost is one branch.

namespace kiv {
void AssertFailed(const char* file, int line, const char* function, const char* expression) noexcept;
// Forgets the previous expression so it can be reported again (tests).
void ResetAssertMemory() noexcept;
}  // namespace kiv

#define KIV_ASSERT(expr) \
  ((expr) ? static_cast<void>(0) : ::kiv::AssertFailed(__FILE__, __LINE__, __func__, #expr))
