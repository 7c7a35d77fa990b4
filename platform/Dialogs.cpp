#include "platform/Dialogs.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
std::atomic<MessageBoxHandler> g_messageBoxHandler{nullptr};
std::atomic<DebugOutputHandler> g_debugOutputHandler{nullptr};
}  // namespace

EMessageAnswer DefaultAnswer(EMessageButtons buttons) noexcept {
  switch (buttons) {
    case EMessageButtons::OkCancel:
    case EMessageButtons::Ok: return EMessageAnswer::Ok;
    case EMessageButtons::RetryCancel: return EMessageAnswer::Retry;
    case EMessageButtons::YesNo: return EMessageAnswer::Yes;
  }
  return EMessageAnswer::Ok;
}

EMessageAnswer MessageBox(const char* title, const char* text, EMessageButtons buttons,
                          EMessageIcon icon) noexcept {
  if (MessageBoxHandler handler = g_messageBoxHandler.load()) {
    return handler(title ? title : "", text ? text : "", buttons, icon);
  }
  std::fprintf(stderr, "[%s] %s\n", title ? title : "", text ? text : "");
  return DefaultAnswer(buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) noexcept {
  return g_messageBoxHandler.exchange(handler);
}

void OutputDebugString(const char* text) noexcept {
  if (DebugOutputHandler handler = g_debugOutputHandler.load()) {
    handler(text ? text : "");
    return;
  }
  std::fputs(text ? text : "", stderr);
}

DebugOutputHandler SetDebugOutputHandler(DebugOutputHandler handler) noexcept {
  return g_debugOutputHandler.exchange(handler);
}

}  // namespace platform
