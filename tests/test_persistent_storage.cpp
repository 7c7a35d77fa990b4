#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/SettingsHives.h"

namespace fs = std::filesystem;
namespace ps = CPersistentStorage;

namespace {

constexpr const char* kMaker = "Tarnwell Audio";
constexpr const char* kProduct = "Tarnwell Audio\\Spanora3";

class PersistentStorage : public SettingsHives {
 protected:
  // Files in the product directory other than the lock file stores share.
  long EntriesBesideTheLock() const {
    long count = 0;
    for (const auto& entry : fs::directory_iterator(UserFile().parent_path()))
      count += entry.path().filename() != "settings.ini.lock";
    return count;
  }
};

std::string QueryString(const char* key, const char* name) {
  const char* text = ps::QueryStoredString(key, name);
  return text ? text : "<absent>";
}
std::optional<std::int32_t> IntOf(const char* key, const char* name) {
  std::int32_t value = 0;
  if (!ps::QueryStoredInt(key, name, &value)) return std::nullopt;
  return value;
}

// The file format itself: the hand-written file below.
TEST_F(PersistentStorage, TypedValuesRoundTripThroughTheFileWhateverTheirBytes) {
  ASSERT_TRUE(ps::StoreInt(kProduct, "Negative", -2));
  EXPECT_EQ(IntOf(kProduct, "negative"), -2) << "names match regardless of ASCII case";

  const char* awkward = "say \"hi\"\\ there\n\ttab = ; # caf\xc3\xa9 \x01";
  ASSERT_TRUE(ps::StoreString(kProduct, "Folder", awkward));
  EXPECT_EQ(QueryString(kProduct, "Folder"), awkward);

  std::uint32_t size = 0;
  const std::vector<std::uint8_t> blob = {0x00, 0x01, 0x7f, 0x80, 0xff, 0x00};
  ASSERT_TRUE(ps::StoreBinary(kProduct, "Blob", blob.data(), static_cast<std::uint32_t>(blob.size())));
  const auto* read = static_cast<const std::uint8_t*>(ps::QueryStoredBinary(kProduct, "Blob", &size));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(read, read + size), blob);
  ASSERT_TRUE(ps::StoreBinary(kProduct, "Empty", nullptr, 0));
  EXPECT_NE(ps::QueryStoredBinary(kProduct, "Empty", &size), nullptr);
  EXPECT_EQ(size, 0u);
}

TEST_F(PersistentStorage, HandWrittenFilesAreReadAndTheirOtherLinesSurviveWrites) {
  WriteFile(UserFile(),
            "# my settings\r\n"
            "; another comment\n"
            "  Analysis   =   DWORD:1  \r\n"
            "\"odd = name\" = string:\"x\\x41y\"\n"
            "this line is not a setting\n"
            "Blob = hex: 0a , b ,\n"
            "Twice = dword:1\n"
            "Twice = dword:2\n"
            "Bad = string:\"unterminated\n"
            "Bad2 = dword:123456789\n");
  EXPECT_EQ(IntOf(kProduct, "Analysis"), 1);
  EXPECT_EQ(QueryString(kProduct, "odd = name"), "xAy");
  std::uint32_t size = 0;
  const auto* blob = static_cast<const std::uint8_t*>(ps::QueryStoredBinary(kProduct, "Blob", &size));
  ASSERT_EQ(size, 2u);
  EXPECT_EQ(blob[0], 0x0a);
  EXPECT_EQ(blob[1], 0x0b);
  EXPECT_EQ(IntOf(kProduct, "Twice"), 2) << "the last line of a name wins";
  EXPECT_EQ(ps::QueryStoredBinary(kProduct, "Bad", &size), nullptr);
  EXPECT_EQ(ps::QueryStoredBinary(kProduct, "Bad2", &size), nullptr);

  ASSERT_TRUE(ps::StoreInt(kProduct, "twice", 7));
  ASSERT_TRUE(ps::StoreString(kProduct, "New", "n"));
  const std::string text = ReadFile(UserFile());
  EXPECT_EQ(text.find("Twice"), text.rfind("Twice")) << "a write leaves one line per name\n" << text;
  for (const char* kept : {"# my settings\r\n", "; another comment\n", "  Analysis   =   DWORD:1  \r\n",
                           "this line is not a setting\n", "Bad = string:\"unterminated\n"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  EXPECT_EQ(IntOf(kProduct, "Twice"), 7);
  EXPECT_EQ(QueryString(kProduct, "odd = name"), "xAy");
  EXPECT_EQ(QueryString(kProduct, "New"), "n");
}

TEST_F(PersistentStorage, ReadsPreferTheUserHiveAndWritesNeverReachTheMachineHive) {
  WriteFile(MachineFile(), "Both = dword:2\nMachineOnly = string:\"site\"\n");
  WriteFile(MachineFile("Tarnwell Audio"), "LimitFramerate = dword:1\n");
  const std::string machineBefore = ReadFile(MachineFile());

  EXPECT_EQ(IntOf(kProduct, "Both"), 2) << "no user value yet";
  ASSERT_TRUE(ps::StoreInt(kProduct, "Both", 1));
  EXPECT_EQ(IntOf(kProduct, "Both"), 1);
  EXPECT_EQ(QueryString(kProduct, "MachineOnly"), "site");
  EXPECT_EQ(IntOf(kMaker, "LimitFramerate"), 1);

  ASSERT_TRUE(ps::StoreInt(kMaker, "LimitFramerate", 0));
  EXPECT_EQ(IntOf(kMaker, "LimitFramerate"), 0);
  EXPECT_EQ(ReadFile(MachineFile()), machineBefore);
  EXPECT_EQ(ReadFile(MachineFile("Tarnwell Audio")), "LimitFramerate = dword:1\n");
  EXPECT_TRUE(fs::exists(UserFile("Tarnwell Audio")));
  EXPECT_EQ(ReadFile(UserFile()).find("MachineOnly"), std::string::npos);

  // A user line that does not parse does not hide the machine's value.
  WriteFile(UserFile(), "MachineOnly = string:broken\n");
  EXPECT_EQ(QueryString(kProduct, "MachineOnly"), "site");
}

TEST_F(PersistentStorage, MakerAndProductKeysAreSeparateFilesUnderTheConfigHome) {
  ASSERT_TRUE(ps::StoreProductInt("Analysis", 1048576));
  EXPECT_EQ(IntOf(kMaker, "Analysis"), std::nullopt);
  EXPECT_EQ(IntOf(kProduct, "Analysis"), 1048576);

  // Sub-keys that name nothing or could leave the hive are refused.
  for (const char* bad : {"", "..", "Tarnwell Audio\\..\\..", "a\\\\b", "a/b", "Tarnwell Audio\\"})
    EXPECT_FALSE(ps::StoreInt(bad, "X", 1)) << bad;
  EXPECT_FALSE(ps::StoreInt(nullptr, "X", 1));
  EXPECT_FALSE(ps::StoreInt(kProduct, nullptr, 1));
  EXPECT_FALSE(ps::StoreString(kProduct, "X", nullptr));
  EXPECT_EQ(ps::QueryStoredString(nullptr, "X"), nullptr);
  EXPECT_EQ(Entries(m_root), (std::vector<std::string>{"machine", "user"})) << "nothing was written outside the hive";

  // Without XDG_CONFIG_HOME (or with a relative one) the store is ~/.config.
  ::unsetenv("XDG_CONFIG_HOME");
  ASSERT_TRUE(ps::StoreProductInt("Analysis", 4));
  EXPECT_TRUE(fs::exists(m_root / "home/.config/Tarnwell Audio/Spanora3/settings.ini"));
  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  EXPECT_EQ(ProductInt("Analysis"), 4);
}

TEST_F(PersistentStorage, MissingEmptyOrGarbageFilesReadAsAbsent) {
  std::int32_t value = 1234;
  std::uint32_t size = 99;
  EXPECT_FALSE(ps::QueryStoredInt(kProduct, "Analysis", &value));
  EXPECT_EQ(value, 1234) << "a failed query leaves the output alone";
  EXPECT_EQ(ps::QueryStoredBinary(kProduct, "Analysis", &size), nullptr);
  EXPECT_EQ(size, 0u);

  WriteFile(UserFile(), "");
  WriteFile(MachineFile(), "");
  EXPECT_EQ(IntOf(kProduct, "Analysis"), std::nullopt);

  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
  garbage += std::string("\nAnalysis = dword:\0" "1\n", 21);  // a NUL spoils a line
  garbage.insert(100, std::string("\nAnalysis = dword:5\0\n", 21));
  WriteFile(UserFile(), garbage);
  EXPECT_EQ(IntOf(kProduct, "Analysis"), std::nullopt);

  // Storing into a garbage file works and keeps the bytes it cannot parse.
  ASSERT_TRUE(ps::StoreInt(kProduct, "Analysis", 3));
  EXPECT_EQ(IntOf(kProduct, "Analysis"), 3);
  EXPECT_NE(ReadFile(UserFile()).find(garbage.substr(0, 50)), std::string::npos);
}

TEST_F(PersistentStorage, AStoreThatCannotWriteReturnsFalseAndLeavesNoTemporaryFiles) {
  // Running as root bypasses permission bits, so the directory is also made
  // unusable in ways no permission lifts: a file where a directory belongs,
  // and a directory where the settings file belongs.
  WriteFile(m_user / "Tarnwell Audio", "I am a file");
  EXPECT_FALSE(ps::StoreInt(kMaker, "LimitFramerate", 1));
  EXPECT_FALSE(ps::StoreProductInt("Analysis", 1));
  fs::remove(m_user / "Tarnwell Audio");

  fs::create_directories(UserFile());
  EXPECT_FALSE(ps::StoreProductInt("Analysis", 1));
  EXPECT_EQ(EntriesBesideTheLock(), 1) << "only the blocking directory remains";
  fs::remove(UserFile());

  ASSERT_TRUE(ps::StoreProductInt("Analysis", 1));
  if (::geteuid() != 0) {
    fs::permissions(UserFile().parent_path(), fs::perms(0555));
    EXPECT_FALSE(ps::StoreProductInt("Analysis", 2));
    fs::permissions(UserFile().parent_path(), fs::perms(0755));
  }
  EXPECT_EQ(ProductInt("Analysis"), 1);
  EXPECT_EQ(EntriesBesideTheLock(), 1);
}

TEST_F(PersistentStorage, ValuesOverTheResultBufferCannotBeRead) {
  std::vector<std::uint8_t> full(ps::RESULT_BUFFER_SIZE, 0xab);
  ASSERT_TRUE(ps::StoreBinary(kProduct, "Full", full.data(), static_cast<std::uint32_t>(full.size())));
  std::uint32_t size = 0;
  ASSERT_NE(ps::QueryStoredBinary(kProduct, "Full", &size), nullptr);
  EXPECT_EQ(size, ps::RESULT_BUFFER_SIZE);
  const std::string text(ps::RESULT_BUFFER_SIZE, 'x');  // 1025 bytes with its NUL
  ASSERT_TRUE(ps::StoreString(kProduct, "Long", text.c_str()));
  EXPECT_EQ(ps::QueryStoredString(kProduct, "Long"), nullptr);
  full.push_back(0);
  ASSERT_TRUE(ps::StoreBinary(kProduct, "Full", full.data(), static_cast<std::uint32_t>(full.size())));
  EXPECT_EQ(ps::QueryStoredBinary(kProduct, "Full", &size), nullptr);
  EXPECT_EQ(size, 0u);
  WriteFile(MachineFile(), "Long = string:\"short\"\n");
  EXPECT_EQ(QueryString(kProduct, "Long"), "short") << "an unreadable user value lets the machine hive answer";
}

TEST_F(PersistentStorage, ConcurrentQueriesEachKeepTheirOwnResult) {
  const std::string first(600, 'a');
  const std::string second(900, 'b');
  ASSERT_TRUE(ps::StoreProductString("First", first.c_str()));
  ASSERT_TRUE(ps::StoreProductString("Second", second.c_str()));
  auto reader = [](const char* name, const std::string& expected, int* mismatches) {
    const char* previous = nullptr;
    for (int i = 0; i < 200; ++i) {
      const char* text = ps::QueryProductString(name);
      // Check well after the query, giving the other thread time to query too.
      std::this_thread::yield();
      if (!text || expected != text) ++*mismatches;
      if (previous && previous != text) ++*mismatches;  // one buffer per thread
      previous = text;
    }
  };
  int mismatchesFirst = 0;
  int mismatchesSecond = 0;
  std::thread a(reader, "First", std::cref(first), &mismatchesFirst);
  std::thread b(reader, "Second", std::cref(second), &mismatchesSecond);
  a.join();
  b.join();
  EXPECT_EQ(mismatchesFirst, 0);
  EXPECT_EQ(mismatchesSecond, 0);
}

TEST_F(PersistentStorage, ConcurrentWritersInOneProcessLoseNoValue) {
  auto writer = [](const char* prefix) {
    for (int i = 0; i < 16; ++i) ps::StoreProductInt((std::string(prefix) + std::to_string(i % 8)).c_str(), i);
  };
  std::thread a(writer, "A");
  std::thread b(writer, "B");
  a.join();
  b.join();
  for (const char* prefix : {"A", "B"}) {
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(ProductInt((std::string(prefix) + std::to_string(k)).c_str()), 8 + k) << prefix << k;
    }
  }
}

}  // namespace
