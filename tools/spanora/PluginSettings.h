#pragma once
// Settings of a loaded effect as the renderer addresses them: programs by
// name or number, parameters by key name, and the whole state as the
// keyed 'vstp' chunk data, built and applied through the dispatcher only.
#include <cstddef>
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

// The largest state file read: far above any real state (about 1.3 KiB),
// and the bound the effect itself sets on a chunk.
constexpr std::size_t MAX_STATE_SIZE = 1 << 20;

// Applies a keyed chunk with setParameter in index order, after checking
// all of it: the data must start with the keyed-chunk header, and every
// parameter's key must have a float entry holding a number in 0..1, as
// --set demands. When a check fails nothing is applied, and false returns
// with *problem saying what, e.g. "has no value for 'Resolution'".
bool RestoreKeyedState(vsthost::CVstHost& host, const std::vector<std::uint8_t>& data, std::string* problem);

}  // namespace spanora
