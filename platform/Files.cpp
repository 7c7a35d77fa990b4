#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {
namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit for one lookup
constexpr std::size_t kTempSuffix = 12;  // "." + ".tmp." + "XXXXXX"

int Errno() { return errno != 0 ? errno : EIO; }

void CloseIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six characters that differ between calls and processes; uniqueness is
// finally ensured by O_EXCL and a retry.
std::string RandomSuffix() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::uint64_t state = 0;
  if (state == 0) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    state = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^
            reinterpret_cast<std::uintptr_t>(&state) ^ 0x9e3779b97f4a7c15ull;
  }
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    suffix.push_back(kAlphabet[state % (sizeof kAlphabet - 1)]);
  }
  return suffix;
}

// ".NAME.tmp.XXXXXX", NAME cut so the whole stays within the name limit.
std::string TempName(int dirFd, const std::string& name) {
  long limit = ::fpathconf(dirFd, _PC_NAME_MAX);
  if (limit <= 0) limit = NAME_MAX;
  const std::size_t keep = std::min(name.size(), static_cast<std::size_t>(limit) - kTempSuffix);
  std::string temp(".");
  temp.append(name, 0, keep).append(".tmp.").append(RandomSuffix());
  return temp;
}

}  // namespace

std::string FileErrorText(int error) {
  switch (error) {
    case FILE_ERROR_NOT_REGULAR: return "not a regular file";
    case FILE_ERROR_TOO_LARGE: return "file too large";
    case FILE_ERROR_LOCK_TIMEOUT: return "locked by another process";
    default: return std::strerror(error);
  }
}

EFileRead ReadFileBounded(const std::string& path, std::size_t maxBytes, bool regularOnly, std::string* content,
                          int* error) noexcept {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  try {
    content->clear();
    // Where only regular files will do, opening a FIFO must not wait for a
    // writer; a stream the caller asked for is opened as any reader would.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    if (fd < 0) {
      *error = Errno();
      return (*error == ENOENT || *error == ENOTDIR) ? EFileRead::Absent : EFileRead::Failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      *error = Errno();
    } else if (S_ISDIR(info.st_mode) || (regularOnly && !S_ISREG(info.st_mode))) {
      *error = FILE_ERROR_NOT_REGULAR;
    } else if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > maxBytes) {
      *error = FILE_ERROR_TOO_LARGE;
    }
    // One byte over the bound tells a file that grew, or a stream, too large.
    const std::size_t capacity = maxBytes + 1;
    if (*error == 0) content->resize(S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) + 1 : 4096);
    std::size_t done = 0;
    while (*error == 0) {
      if (done == content->size()) {
        if (content->size() >= capacity) break;
        content->resize(std::min(capacity, content->size() * 2));
      }
      const ssize_t n = ::read(fd, content->data() + done, content->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) *error = Errno();
      else if (n == 0) break;
      else done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (*error == 0 && done > maxBytes) *error = FILE_ERROR_TOO_LARGE;
    if (*error != 0) {
      content->clear();
      return EFileRead::Failed;
    }
    content->resize(done);
    return EFileRead::Read;
  } catch (...) {
    content->clear();
    *error = ENOMEM;
    return EFileRead::Failed;
  }
}

std::string ResolveWriteTarget(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) return current;
    link.resize(static_cast<std::size_t>(length));
    current = link.front() == '/' ? link : DirectoryOf(current) + "/" + link;
  }
  return current;
}

// ---------------------------------------------------------------------------

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::Create(const std::string& path, int* error) noexcept {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  try {
    Discard();
    m_sTarget = ResolveWriteTarget(path);
    m_sName = NameOf(m_sTarget);
    struct stat info {};
    if (::lstat(m_sTarget.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      *error = ELOOP;  // still a link after the longest chain we follow
      return false;
    }
    const bool exists = ::stat(m_sTarget.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
      *error = FILE_ERROR_NOT_REGULAR;
      return false;
    }
    if (m_sName.empty() || m_sName == "." || m_sName == "..") {
      *error = EISDIR;
      return false;
    }
    m_nDirFd = ::open(DirectoryOf(m_sTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nDirFd < 0) {
      *error = Errno();
      return false;
    }
    // Unnamed only where it can be linked in later without privileges.
    if (::access("/proc/self/fd", X_OK) == 0) {
      m_nFd = ::openat(m_nDirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
      m_bUnnamed = m_nFd >= 0;
    }
    for (int attempt = 0; m_nFd < 0 && attempt < 100; ++attempt) {
      m_sTempName = TempName(m_nDirFd, m_sName);
      m_nFd = ::openat(m_nDirFd, m_sTempName.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
      if (m_nFd < 0 && errno != EEXIST) break;
    }
    if (m_nFd < 0) {
      *error = Errno();
      m_sTempName.clear();
      Discard();
      return false;
    }
    if (exists) ::fchmod(m_nFd, info.st_mode & 07777);
    return true;
  } catch (...) {
    *error = ENOMEM;
    Discard();
    return false;
  }
}

bool CAtomicFile::WriteAll(std::string_view data, int* error) noexcept {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(m_nFd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error) *error = n < 0 ? Errno() : EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool CAtomicFile::LinkUnnamed(const std::string& name, int* error) noexcept {
  const std::string self = "/proc/self/fd/" + std::to_string(m_nFd);
  if (::linkat(AT_FDCWD, self.c_str(), m_nDirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  const int viaProc = errno;
  if (::linkat(m_nFd, "", m_nDirFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  *error = viaProc == EEXIST ? EEXIST : Errno();
  return false;
}

bool CAtomicFile::Commit(bool durable, int* error) noexcept {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  try {
    if (m_nFd < 0) {
      *error = EBADF;
      return false;
    }
    if (durable && ::fsync(m_nFd) != 0) {
      *error = Errno();
      Discard();
      return false;
    }
    bool placed = false;
    if (m_bUnnamed) {
      // A new destination gets its name directly; an existing one is
      // replaced by a rename, which needs a name of our own first.
      placed = LinkUnnamed(m_sName, error);
      for (int attempt = 0; !placed && *error == EEXIST && attempt < 100; ++attempt) {
        m_sTempName = TempName(m_nDirFd, m_sName);
        if (LinkUnnamed(m_sTempName, error)) break;
        m_sTempName.clear();
      }
      if (!placed && m_sTempName.empty()) {
        Discard();
        return false;
      }
    }
    if (!placed) {
      if (::renameat(m_nDirFd, m_sTempName.c_str(), m_nDirFd, m_sName.c_str()) != 0) {
        *error = errno == EISDIR ? FILE_ERROR_NOT_REGULAR : Errno();
        Discard();
        return false;
      }
      m_sTempName.clear();
    }
    CloseIfOpen(m_nFd);
    // Make the new name durable too; a failure here does not undo the write.
    if (durable) ::fsync(m_nDirFd);
    CloseIfOpen(m_nDirFd);
    m_bUnnamed = false;
    *error = 0;
    return true;
  } catch (...) {
    *error = ENOMEM;
    Discard();
    return false;
  }
}

void CAtomicFile::Discard() noexcept {
  if (!m_sTempName.empty() && m_nDirFd >= 0) ::unlinkat(m_nDirFd, m_sTempName.c_str(), 0);
  m_sTempName.clear();
  CloseIfOpen(m_nFd);
  CloseIfOpen(m_nDirFd);
  m_bUnnamed = false;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, bool durable, int* error) noexcept {
  CAtomicFile file;
  return file.Create(path, error) && file.WriteAll(data, error) && file.Commit(durable, error);
}

// ---------------------------------------------------------------------------

CFileLock::~CFileLock() { Release(); }

bool CFileLock::Acquire(const std::string& lockPath, std::uint32_t timeoutMs, int* error) noexcept {
  int ignored = 0;
  if (!error) error = &ignored;
  *error = 0;
  Release();
  m_nFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (m_nFd < 0) {
    *error = Errno();
    return false;
  }
  struct stat info {};
  if (::fstat(m_nFd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = FILE_ERROR_NOT_REGULAR;
    Release();
    return false;
  }
  // Polling keeps the wait bounded; writes under the lock take milliseconds.
  timespec start{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  for (std::uint32_t pause = 1;; pause = std::min<std::uint32_t>(pause * 2, 16)) {
    if (::flock(m_nFd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *error = Errno();
      break;
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t elapsedMs =
        (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (elapsedMs >= timeoutMs) {
      *error = FILE_ERROR_LOCK_TIMEOUT;
      break;
    }
    const timespec delay{0, static_cast<long>(pause) * 1000000};
    ::nanosleep(&delay, nullptr);
  }
  Release();
  return false;
}

void CFileLock::Release() noexcept {
  if (m_nFd >= 0) ::close(m_nFd);  // closing drops the lock
  m_nFd = -1;
}

}  // namespace platform
