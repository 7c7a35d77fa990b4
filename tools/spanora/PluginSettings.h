#pragma once
// Settings of a loaded effect as the renderer addresses them: programs by
// name or number, parameters by key name, and the whole state as the
// keyed 'vstp' chunk data, built and applied through the dispatcher only.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vsthost/VstHost.h"

namespace spanora {

// The program named text (case-insensitive, exact) or numbered text
// (0 .. programs - 1); -1 when there is none.
int FindProgram(vsthost::CVstHost& host, const std::string& text);

// The automatable parameter with this key name (exact, else the only
// case-insensitive match); -1 when there is none.
int FindParameterKey(vsthost::CVstHost& host, const std::string& key);

// The keyed chunk data: one float entry per automatable parameter, in index
// order, under its key name, with the current value.
std::vector<std::uint8_t> SaveKeyedState(vsthost::CVstHost& host);

// Applies a keyed chunk with setParameter in index order. Stops at the
// first parameter whose key has no float entry and returns that key; an
// empty string when every parameter was applied. The data must start with
// the keyed-chunk header; *valid is false when it does not.
std::string RestoreKeyedState(vsthost::CVstHost& host, const std::vector<std::uint8_t>& data, bool* valid);

}  // namespace spanora
