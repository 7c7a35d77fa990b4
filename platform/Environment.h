#pragma once
// The process environment, read without handing out pointers into it.
#include <optional>
#include <string>

namespace platform {

// The value of the environment variable name; none when it is not set.
std::optional<std::string> GetEnvironment(const char* name) noexcept;

}  // namespace platform
