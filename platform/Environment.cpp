#include "platform/Environment.h"

#include <cstdlib>

namespace platform {

std::optional<std::string> GetEnvironment(const char* name) noexcept {
  try {
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value) return std::nullopt;
    return std::string(value);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace platform
