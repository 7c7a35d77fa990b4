#pragma once
// Settings that outlive a project, kept in two hives of editable text files:
// the user hive under $XDG_CONFIG_HOME (default ~/.config) and the machine
// hive under /etc/xdg. Reads try the user hive, then the machine hive; writes
// go to the user hive only. Sub-keys are the maker key "Tarnwell Audio" and
// the product key "Tarnwell Audio\Spanora3".
//
// Values are typed as the registry types them: strings (stored with their
// NUL), 32-bit integers and binary blobs. As with the registry, any query
// reads any type: the integer query takes the first 4 bytes (little-endian,
// missing bytes zero), the string query the raw bytes followed by a NUL.
// Each sub-key is a directory, e.g. <hive>/Tarnwell Audio/Spanora3/, holding
// one editable text file settings.ini (format: SettingsFile.h). A user-hive
// value that cannot be read counts as absent there. None of these throws.
//
// Query results: the registry design hands results back in one shared static
// buffer of 1024 bytes. Here that buffer is per thread (thread_local), so a
// query on one thread can never overwrite the result another thread is still
// copying; within a thread the result stays valid until its next query.
#include <cstddef>
#include <cstdint>

namespace CPersistentStorage {

constexpr const char* MAKER_KEY = "Tarnwell Audio";
constexpr std::size_t RESULT_BUFFER_SIZE = 1024;

// The process-wide product name; the product key is MAKER_KEY + "\" + name.
// Null or empty restores "Spanora3". Set it before other threads use the store.
void SetProductName(const char* name) noexcept;
const char* GetProductName() noexcept;

// The user hive is computed at each call, so a changed XDG_CONFIG_HOME
// takes effect at once; the machine hive root can be moved for tests.
bool SetMachineHiveRootForTesting(const char* directory) noexcept;  // null restores /etc/xdg

const void* QueryStoredBinary(const char* subKey, const char* valueName, std::uint32_t* size) noexcept;
const char* QueryStoredString(const char* subKey, const char* valueName) noexcept;
bool QueryStoredInt(const char* subKey, const char* valueName, std::int32_t* value) noexcept;

bool StoreString(const char* subKey, const char* valueName, const char* text) noexcept;
bool StoreInt(const char* subKey, const char* valueName, std::int32_t value) noexcept;
bool StoreBinary(const char* subKey, const char* valueName, const void* data, std::uint32_t length) noexcept;

// Product-level forms (sub-key = maker key + "\" + product name).
const void* QueryProductBinary(const char* valueName, std::uint32_t* size) noexcept;
const char* QueryProductString(const char* valueName) noexcept;
bool QueryProductInt(const char* valueName, std::int32_t* value) noexcept;
bool StoreProductString(const char* valueName, const char* text) noexcept;
bool StoreProductInt(const char* valueName, std::int32_t value) noexcept;
bool StoreProductBinary(const char* valueName, const void* data, std::uint32_t length) noexcept;

}  // namespace CPersistentStorage
