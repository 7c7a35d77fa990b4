#pragma once
// The catch-everything convention: every public operation of our own classes
// runs its body through KivGuard, so no exception ever leaves the plug-in.
// A caught exception hands the operation's signature text to the error-report
// hook (which does nothing unless a test or a debug build installs one) and
// the operation returns its neutral result.
#include <type_traits>
#include <utility>

namespace kiv {

using ErrorReportHook = void (*)(const char* signature);

// Installs the hook (null restores the silent default); returns the previous one.
ErrorReportHook SetErrorReportHook(ErrorReportHook hook) noexcept;
void ReportError(const char* signature) noexcept;

template <class R, class F>
R Guard(const char* signature, R neutral, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (...) {
    ReportError(signature);
    return neutral;
  }
}

template <class F>
void Guard(const char* signature, F&& body) noexcept {
  try {
    std::forward<F>(body)();
  } catch (...) {
    ReportError(signature);
  }
}

}  // namespace kiv

// The signature text of the enclosing function, e.g.
// "float KivEffect::GetPersistentParam(int)".
#define KIV_SIGNATURE __PRETTY_FUNCTION__
