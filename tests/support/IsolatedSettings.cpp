// Linked into every test that builds an effect: settings go to a fresh
// temporary hive, never to the real home or /etc/xdg.
#include <cstdlib>
#include <string>

#include "Helpers/PersistantStorage.h"

namespace {
struct IsolatedSettings {
  IsolatedSettings() {
    char userTemplate[] = "/tmp/spanora-test-user-XXXXXX";
    char machineTemplate[] = "/tmp/spanora-test-machine-XXXXXX";
    if (const char* user = mkdtemp(userTemplate)) setenv("XDG_CONFIG_HOME", user, 1);
    if (const char* machine = mkdtemp(machineTemplate)) CPersistentStorage::SetMachineHiveRootForTesting(machine);
  }
};
const IsolatedSettings g_isolatedSettings;
}  // namespace
