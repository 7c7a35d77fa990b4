#pragma once
// Message boxes and debugger output. Without a display (tests, servers,
// offline rendering) a message box answers its default button at once and
// the text goes to stderr; a test or an editor can install its own handler.
#include <string>

namespace platform {

enum class EMessageButtons { Ok, OkCancel, RetryCancel, YesNo };
enum class EMessageIcon { None, Information, Warning, Error };
enum class EMessageAnswer { Ok, Cancel, Retry, Yes, No };

using MessageBoxHandler = EMessageAnswer (*)(const char* title, const char* text,
                                             EMessageButtons buttons, EMessageIcon icon);

// Shows the box through the installed handler, or answers the default button
// (the first one) after printing the text to stderr.
EMessageAnswer MessageBox(const char* title, const char* text, EMessageButtons buttons,
                          EMessageIcon icon) noexcept;
// Installs a handler (null restores the default); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) noexcept;
EMessageAnswer DefaultAnswer(EMessageButtons buttons) noexcept;

using DebugOutputHandler = void (*)(const char* text);
// Writes text to the debugger output (stderr by default).
void OutputDebugString(const char* text) noexcept;
DebugOutputHandler SetDebugOutputHandler(DebugOutputHandler handler) noexcept;

}  // namespace platform
