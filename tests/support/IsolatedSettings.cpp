// Linked into every test that builds an effect: settings go to a fresh
// temporary hive, never to the real home or /etc/xdg.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Helpers/PersistantStorage.h"

namespace {
struct IsolatedSettings {
  IsolatedSettings() {
    char userTemplate[] = "/tmp/spanora-test-user-XXXXXX";
    char machineTemplate[] = "/tmp/spanora-test-machine-XXXXXX";
    if (const char* user = mkdtemp(userTemplate)) {
      user_ = user;
      setenv("XDG_CONFIG_HOME", user, 1);
    }
    if (const char* machine = mkdtemp(machineTemplate)) {
      machine_ = machine;
      CPersistentStorage::SetMachineHiveRootForTesting(machine);
    }
  }
  ~IsolatedSettings() {
    std::error_code ignored;
    if (!user_.empty()) std::filesystem::remove_all(user_, ignored);
    if (!machine_.empty()) std::filesystem::remove_all(machine_, ignored);
  }
  std::string user_, machine_;
};
const IsolatedSettings g_isolatedSettings;
}  // namespace
