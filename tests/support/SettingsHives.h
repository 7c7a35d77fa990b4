#pragma once
// Fresh user and machine settings hives in a temporary directory for each
// test; HOME points there too, so nothing can reach the real home.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Helpers/PersistantStorage.h"

class SettingsHives : public ::testing::Test {
 protected:
  using path = std::filesystem::path;

  void SetUp() override {
    char pattern[] = "/tmp/spanora_settings_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_root = pattern;
    m_user = m_root / "user";
    m_machine = m_root / "machine";
    std::filesystem::create_directories(m_user);
    std::filesystem::create_directories(m_machine);
    ::setenv("HOME", (m_root / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_user.c_str(), 1);
    CPersistentStorage::SetMachineHiveRootForTesting(m_machine.c_str());
  }
  void TearDown() override {
    namespace fs = std::filesystem;
    CPersistentStorage::SetMachineHiveRootForTesting(nullptr);
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(m_root, ignored))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
  }

  static void WriteFile(const path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  static std::string ReadFile(const path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::vector<std::string> Entries(const path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  path UserFile(const char* folder = "Tarnwell Audio/Spanora3") const { return m_user / folder / "settings.ini"; }
  path MachineFile(const char* folder = "Tarnwell Audio/Spanora3") const { return m_machine / folder / "settings.ini"; }

  path m_root, m_user, m_machine;
};

inline std::optional<std::int32_t> ProductInt(const char* name) {
  std::int32_t value = 0;
  if (!CPersistentStorage::QueryProductInt(name, &value)) return std::nullopt;
  return value;
}
