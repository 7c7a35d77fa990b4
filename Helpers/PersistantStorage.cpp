// Temporary stand-in until the file-backed store lands: nothing is stored.
#include "Helpers/PersistantStorage.h"
namespace CPersistentStorage {
void SetProductName(const char*) noexcept {}
const char* GetProductName() noexcept { return "Spanora3"; }
bool SetMachineHiveRootForTesting(const char*) noexcept { return true; }
const void* QueryStoredBinary(const char*, const char*, std::uint32_t* size) noexcept { if (size) *size = 0; return nullptr; }
const char* QueryStoredString(const char*, const char*) noexcept { return nullptr; }
bool QueryStoredInt(const char*, const char*, std::int32_t*) noexcept { return false; }
bool StoreString(const char*, const char*, const char*) noexcept { return false; }
bool StoreInt(const char*, const char*, std::int32_t) noexcept { return false; }
bool StoreBinary(const char*, const char*, const void*, std::uint32_t) noexcept { return false; }
const void* QueryProductBinary(const char*, std::uint32_t* size) noexcept { if (size) *size = 0; return nullptr; }
const char* QueryProductString(const char*) noexcept { return nullptr; }
bool QueryProductInt(const char*, std::int32_t*) noexcept { return false; }
bool StoreProductString(const char*, const char*) noexcept { return false; }
bool StoreProductInt(const char*, std::int32_t) noexcept { return false; }
bool StoreProductBinary(const char*, const void*, std::uint32_t) noexcept { return false; }
}
