#include "Helpers/PersistantStorage.h"

#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include "Helpers/ErrorReport.h"
#include "Helpers/SettingsFile.h"
#include "platform/Environment.h"
#include "platform/Files.h"

// Layout on disk: each sub-key is a directory below the hive root, one path
// component per "\"-separated part, holding one file "settings.ini":
//   user:    $XDG_CONFIG_HOME/Tarnwell Audio/settings.ini
//            $XDG_CONFIG_HOME/Tarnwell Audio/Spanora3/settings.ini
//   machine: /etc/xdg/Tarnwell Audio/...        (same shape)
// The text format is described in SettingsFile.h.
//
// Writes: a settings.ini that is a symbolic link is written through to its
// target. Every store takes an exclusive lock on "<target>.lock" beside the
// file it writes, then reads the file afresh, changes its one value and
// replaces the file, so stores from several processes (two hosts, a host and
// the spanora command) never lose each other's values. A lock another
// process holds too long fails the store rather than hang the caller.
//
// Reading rules, chosen to behave like the registry where it matters:
// - A value the user hive cannot deliver (file missing, unreadable, line
//   damaged, value over RESULT_BUFFER_SIZE bytes) is looked up in the
//   machine hive next.
// - Any value type can be read by any query, as with the registry: the
//   string query gets the raw bytes (always followed by a NUL kept after the
//   buffer's 1024 bytes), the integer query the first 4 bytes little-endian,
//   with bytes a short value lacks read as zero.
namespace CPersistentStorage {
namespace {

constexpr const char* kDefaultProductName = "Spanora3";
constexpr const char* kDefaultMachineRoot = "/etc/xdg";
constexpr const char* kFileName = "settings.ini";
constexpr std::size_t kMaxProductName = 255;
constexpr std::uint32_t kLockTimeoutMs = 2000;

// Guards the product name and machine root, and serialises the
// read-modify-write of stores within the process. Readers take no lock:
// every write replaces a file by rename, so a reader sees a whole file.
std::mutex g_mutex;
char g_productName[kMaxProductName + 1] = "Spanora3";
std::string& MachineRoot() {
  static std::string root = kDefaultMachineRoot;
  return root;
}

// The result buffer of the registry design, one per thread: a query never
// overwrites a result another thread is still copying. The extra byte keeps
// a NUL after a 1024-byte value so the string query always ends.
thread_local unsigned char t_result[RESULT_BUFFER_SIZE + 1];

std::optional<std::string> UserHiveRoot() {
  // Relative XDG_CONFIG_HOME values are invalid and ignored, as XDG asks.
  if (auto config = platform::GetEnvironment("XDG_CONFIG_HOME"); config && config->starts_with('/')) return config;
  if (auto home = platform::GetEnvironment("HOME"); home && !home->empty()) return *home + "/.config";
  return std::nullopt;
}

std::string MachineHiveRoot() {
  std::lock_guard lock(g_mutex);
  return MachineRoot();
}

// The directory of a sub-key below root; none for a sub-key that could
// leave the root or name nothing ("", "a\\b", "..", "a/b").
std::optional<std::filesystem::path> SubKeyDirectory(const std::string& root, const char* subKey) {
  if (!subKey) return std::nullopt;
  std::filesystem::path directory = root;
  std::string_view rest = subKey;
  for (;;) {
    const std::size_t split = rest.find('\\');
    const std::string_view part = rest.substr(0, split);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos)
      return std::nullopt;
    directory /= std::string(part);
    if (split == std::string_view::npos) return directory;
    rest.remove_prefix(split + 1);
  }
}

std::optional<SSettingValue> FindInHive(const std::string& root, const char* subKey, const char* valueName) {
  const auto directory = SubKeyDirectory(root, subKey);
  if (!directory) return std::nullopt;
  CSettingsFile file;
  if (file.Load((*directory / kFileName).string()) != CSettingsFile::ELoadResult::Read) return std::nullopt;
  auto value = file.Find(valueName);
  if (value && value->bytes.size() > RESULT_BUFFER_SIZE) return std::nullopt;
  return value;
}

// Copies the value into this thread's buffer; null when neither hive has it.
const unsigned char* Query(const char* subKey, const char* valueName, std::uint32_t* size) {
  if (size) *size = 0;
  if (!subKey || !valueName) return nullptr;
  std::optional<SSettingValue> value;
  if (const auto userRoot = UserHiveRoot()) value = FindInHive(*userRoot, subKey, valueName);
  if (!value) value = FindInHive(MachineHiveRoot(), subKey, valueName);
  if (!value) return nullptr;
  if (!value->bytes.empty()) std::memcpy(t_result, value->bytes.data(), value->bytes.size());
  t_result[value->bytes.size()] = 0;
  if (size) *size = static_cast<std::uint32_t>(value->bytes.size());
  return t_result;
}

bool Store(const char* subKey, const char* valueName, SSettingValue value) {
  if (!valueName) return false;
  const auto userRoot = UserHiveRoot();
  if (!userRoot) return false;
  const auto directory = SubKeyDirectory(*userRoot, subKey);
  if (!directory) return false;
  std::lock_guard lock(g_mutex);
  std::error_code error;
  std::filesystem::create_directories(*directory, error);
  if (error) return false;
  const std::string path = platform::ResolveWriteTarget((*directory / kFileName).string());
  platform::CFileLock fileLock;
  if (!fileLock.Acquire(path + ".lock", kLockTimeoutMs, nullptr)) return false;
  CSettingsFile file;
  // A file that exists but cannot be read is left alone rather than replaced
  // by one holding only the new value.
  if (file.Load(path) == CSettingsFile::ELoadResult::Unreadable) return false;
  return file.Set(valueName, value) && file.SaveAtomically(path);
}

std::string ProductKey() {
  std::lock_guard lock(g_mutex);
  return std::string(MAKER_KEY) + "\\" + g_productName;
}

SSettingValue IntValue(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {ESettingType::Dword,
          {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
           static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

}  // namespace

void SetProductName(const char* name) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard lock(g_mutex);
    const char* chosen = (name && name[0] != '\0') ? name : kDefaultProductName;
    std::strncpy(g_productName, chosen, kMaxProductName);
    g_productName[kMaxProductName] = '\0';
  });
}

const char* GetProductName() noexcept { return g_productName; }

bool SetMachineHiveRootForTesting(const char* directory) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::lock_guard lock(g_mutex);
    MachineRoot() = directory ? directory : kDefaultMachineRoot;
    return true;
  });
}

const void* QueryStoredBinary(const char* subKey, const char* valueName, std::uint32_t* size) noexcept {
  return kiv::Guard(KIV_SIGNATURE, static_cast<const void*>(nullptr), [&]() -> const void* {
    return Query(subKey, valueName, size);
  });
}

const char* QueryStoredString(const char* subKey, const char* valueName) noexcept {
  return kiv::Guard(KIV_SIGNATURE, static_cast<const char*>(nullptr), [&] {
    return reinterpret_cast<const char*>(Query(subKey, valueName, nullptr));
  });
}

bool QueryStoredInt(const char* subKey, const char* valueName, std::int32_t* value) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::uint32_t size = 0;
    const unsigned char* bytes = Query(subKey, valueName, &size);
    if (!bytes || !value) return false;
    std::uint32_t bits = 0;
    for (std::uint32_t b = 0; b < 4 && b < size; ++b) bits |= std::uint32_t{bytes[b]} << (8 * b);
    *value = static_cast<std::int32_t>(bits);
    return true;
  });
}

bool StoreString(const char* subKey, const char* valueName, const char* text) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!text) return false;
    const std::size_t length = std::strlen(text) + 1;  // the NUL is part of the value
    return Store(subKey, valueName, {ESettingType::String, {text, text + length}});
  });
}

bool StoreInt(const char* subKey, const char* valueName, std::int32_t value) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return Store(subKey, valueName, IntValue(value)); });
}

bool StoreBinary(const char* subKey, const char* valueName, const void* data, std::uint32_t length) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!data && length != 0) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Store(subKey, valueName, {ESettingType::Binary, {bytes, bytes + length}});
  });
}

const void* QueryProductBinary(const char* valueName, std::uint32_t* size) noexcept {
  return kiv::Guard(KIV_SIGNATURE, static_cast<const void*>(nullptr), [&] {
    return QueryStoredBinary(ProductKey().c_str(), valueName, size);
  });
}

const char* QueryProductString(const char* valueName) noexcept {
  return kiv::Guard(KIV_SIGNATURE, static_cast<const char*>(nullptr), [&] {
    return QueryStoredString(ProductKey().c_str(), valueName);
  });
}

bool QueryProductInt(const char* valueName, std::int32_t* value) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return QueryStoredInt(ProductKey().c_str(), valueName, value); });
}

bool StoreProductString(const char* valueName, const char* text) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return StoreString(ProductKey().c_str(), valueName, text); });
}

bool StoreProductInt(const char* valueName, std::int32_t value) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return StoreInt(ProductKey().c_str(), valueName, value); });
}

bool StoreProductBinary(const char* valueName, const void* data, std::uint32_t length) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    return StoreBinary(ProductKey().c_str(), valueName, data, length);
  });
}

}  // namespace CPersistentStorage
