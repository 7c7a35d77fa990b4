// Hostile file systems and busy sessions against the settings store and the
// file services beneath it: FIFOs and links where files belong, several
// processes writing at once, oversized files, long names, and processes
// killed in the middle of a write.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "Helpers/SettingsFile.h"
#include "platform/Files.h"
#include "tests/support/SettingsHives.h"

namespace fs = std::filesystem;
namespace ps = CPersistentStorage;

namespace {

class HostileFiles : public SettingsHives {
 protected:
  void SetUp() override {
    SettingsHives::SetUp();
    fs::create_directories(SettingsPath().parent_path());
  }
  path SettingsPath() const { return UserFile(); }
};

// Runs call on another thread; a call still blocked after a few seconds is
// a failure (and fifo is opened for writing to release it).
template <class Call>
bool FinishesWithoutBlocking(Call call, const fs::path& fifo) {
  auto done = std::async(std::launch::async, call);
  if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
  const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
  done.wait();
  return false;
}

TEST_F(HostileFiles, AFifoInPlaceOfTheSettingsFileNeitherBlocksNorIsReplaced) {
  ASSERT_EQ(::mkfifo(SettingsPath().c_str(), 0644), 0);
  WriteFile(MachineFile(), "Analysis = dword:2\n");
  std::int32_t value = 0;
  bool found = false;
  ASSERT_TRUE(FinishesWithoutBlocking([&] { found = ps::QueryProductInt("Analysis", &value); }, SettingsPath()));
  EXPECT_TRUE(found) << "the machine hive answers instead";
  EXPECT_EQ(value, 2);
  bool stored = true;
  ASSERT_TRUE(FinishesWithoutBlocking([&] { stored = ps::StoreProductInt("Analysis", 1); }, SettingsPath()));
  EXPECT_FALSE(stored);
  struct stat info {};
  ASSERT_EQ(::lstat(SettingsPath().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "a FIFO is never replaced by a file";
}

TEST_F(HostileFiles, ASymlinkedSettingsFileIsWrittenThroughToItsTarget) {
  // The dotfiles habit: the settings live in a repository and are linked
  // in, here through a relative link to a second, absolute one.
  const fs::path dotfiles = m_root / "dotfiles";
  WriteFile(dotfiles / "spanora.ini", "# mine\nAnalysis = dword:1\n");
  fs::create_symlink(dotfiles / "spanora.ini", dotfiles / "current.ini");
  fs::create_symlink("../../../dotfiles/current.ini", SettingsPath());
  ASSERT_TRUE(ps::StoreProductInt("CacheTextures", 7));
  EXPECT_TRUE(fs::is_symlink(SettingsPath()));
  EXPECT_TRUE(fs::is_symlink(dotfiles / "current.ini"));
  EXPECT_EQ(ReadFile(dotfiles / "spanora.ini"), "# mine\nAnalysis = dword:1\nCacheTextures = dword:00000007\n");
  EXPECT_EQ(ProductInt("CacheTextures"), 7);
  EXPECT_EQ(Entries(dotfiles), (std::vector<std::string>{"current.ini", "spanora.ini", "spanora.ini.lock"}));

  // A link whose target does not exist yet creates the target.
  fs::remove(SettingsPath());
  fs::create_symlink(dotfiles / "new.ini", SettingsPath());
  ASSERT_TRUE(ps::StoreProductInt("Analysis", 3));
  EXPECT_TRUE(fs::is_symlink(SettingsPath()));
  EXPECT_NE(ReadFile(dotfiles / "new.ini").find("Analysis = dword:00000003"), std::string::npos);

  // A link loop is refused, not followed forever.
  fs::remove(SettingsPath());
  fs::create_symlink("settings.ini", SettingsPath());
  EXPECT_FALSE(ps::StoreProductInt("Analysis", 4));
  EXPECT_TRUE(fs::is_symlink(SettingsPath()));
}

std::string Key(int process, int index) {
  char key[32];
  std::snprintf(key, sizeof key, "P%d_%d", process, index);
  return key;
}

TEST_F(HostileFiles, ProcessesWritingAtOnceLoseNoValue) {
  constexpr int kProcesses = 3;
  constexpr int kValuesEach = 10;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = true;
      for (int i = 0; i < kValuesEach; ++i)
        ok = ps::StoreProductInt(Key(p, i).c_str(), 1000 * p + i) && ok;
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every store succeeded";
  }
  int lost = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kValuesEach; ++i) {
      lost += ProductInt(Key(p, i).c_str()) != 1000 * p + i;
    }
  }
  EXPECT_EQ(lost, 0);
}

TEST_F(HostileFiles, AStoreWaitsABoundedTimeForALockHeldElsewhere) {
  platform::CFileLock holder;
  int error = 0;
  ASSERT_TRUE(holder.Acquire(SettingsPath().string() + ".lock", 0, &error)) << error;
  platform::CFileLock waiter;
  EXPECT_FALSE(waiter.Acquire(SettingsPath().string() + ".lock", 30, &error));
  EXPECT_EQ(error, platform::FILE_ERROR_LOCK_TIMEOUT);
  holder.Release();
  EXPECT_TRUE(waiter.Acquire(SettingsPath().string() + ".lock", 30, &error));
}

TEST_F(HostileFiles, OversizedSettingsFilesAreNeitherReadNorRewritten) {
  // A settings file grown by a runaway writer: far over any real one.
  std::string huge = "Analysis = dword:5\n";
  while (huge.size() <= ps::MAX_SETTINGS_FILE_SIZE) huge += "# padding padding padding padding padding\n";
  WriteFile(SettingsPath(), huge);
  WriteFile(MachineFile(), "Analysis = dword:2\n");
  EXPECT_EQ(ProductInt("Analysis"), 2) << "the oversized user file is skipped";
  EXPECT_FALSE(ps::StoreProductInt("Analysis", 1));
  EXPECT_EQ(ReadFile(SettingsPath()), huge) << "and left as it was";

  // A value that would push a file over the bound is refused, and the file
  // stays readable.
  fs::remove(SettingsPath());
  ASSERT_TRUE(ps::StoreProductInt("Analysis", 1));
  const std::vector<std::uint8_t> blob(ps::MAX_SETTINGS_FILE_SIZE / 2, 0xee);
  EXPECT_FALSE(ps::StoreProductBinary("Blob", blob.data(), static_cast<std::uint32_t>(blob.size())));
  EXPECT_EQ(ProductInt("Analysis"), 1);
}

// Endless streams (/dev/zero): the renderer's state-file test.
TEST_F(HostileFiles, BoundedReadsRefuseDirectoriesAndDevicesAndStopAtTheBound) {
  std::string content;
  int error = 0;
  EXPECT_EQ(platform::ReadFileBounded(m_root.string(), 100, false, &content, &error), platform::EFileRead::Failed);
  EXPECT_EQ(error, platform::FILE_ERROR_NOT_REGULAR);
  EXPECT_EQ(platform::ReadFileBounded("/dev/null", 100, true, &content, &error), platform::EFileRead::Failed);
  EXPECT_EQ(error, platform::FILE_ERROR_NOT_REGULAR);
  EXPECT_EQ(platform::ReadFileBounded((m_root / "none").string(), 100, true, &content, &error),
            platform::EFileRead::Absent);
  WriteFile(m_root / "ten", "0123456789");
  EXPECT_EQ(platform::ReadFileBounded((m_root / "ten").string(), 10, true, &content, &error),
            platform::EFileRead::Read);
  EXPECT_EQ(content, "0123456789");
  EXPECT_EQ(platform::ReadFileBounded((m_root / "ten").string(), 9, true, &content, &error),
            platform::EFileRead::Failed);
  EXPECT_EQ(error, platform::FILE_ERROR_TOO_LARGE);
}

// Special files in the way: the FIFO test above, and the renderer's tests
// for its output and state files.
TEST_F(HostileFiles, ReplacedFilesKeepLongNamesAndTheirMode) {
  const fs::path directory = m_root / "out";
  fs::create_directories(directory);
  // The longest name the file system allows still gets a temporary name.
  const fs::path longName = directory / std::string(255, 'n');
  int error = 0;
  ASSERT_TRUE(platform::WriteFileAtomically(longName.string(), "first", false, &error))
      << platform::FileErrorText(error);
  ::chmod(longName.c_str(), 0640);
  ASSERT_TRUE(platform::WriteFileAtomically(longName.string(), "second", true, &error));
  EXPECT_EQ(ReadFile(longName), "second");
  EXPECT_EQ(fs::status(longName).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(Entries(directory), (std::vector<std::string>{std::string(255, 'n')}));
}

TEST_F(HostileFiles, AWriterKilledMidWriteLeavesNothingBehind) {
  const fs::path directory = m_root / "killed";
  fs::create_directories(directory);
  WriteFile(directory / "keep.txt", "old");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::CAtomicFile file;
    if (!file.Create((directory / "keep.txt").string(), nullptr) || !file.IsUnnamed()) ::_exit(1);
    file.WriteAll("half of the new", nullptr);
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the system offers no unnamed files here";
  EXPECT_EQ(Entries(directory), (std::vector<std::string>{"keep.txt"}));
  EXPECT_EQ(ReadFile(directory / "keep.txt"), "old");
}

}  // namespace
