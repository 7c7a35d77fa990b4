#pragma once
// File-system services for files that must never be lost or hang their
// reader: bounded reads that never block on a FIFO, whole-file replacement
// that readers see either before or after, never in part, and an
// inter-process lock. Errors are errno values, plus the codes below; none
// of these throws.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Our own error codes beside errno's (which are positive).
constexpr int FILE_ERROR_NOT_REGULAR = -1;  // a FIFO, device, socket or directory where a file belongs
constexpr int FILE_ERROR_TOO_LARGE = -2;    // over the bound the caller gave
constexpr int FILE_ERROR_LOCK_TIMEOUT = -3;  // another process held the lock too long

// "is not a regular file", "is larger than ...", or strerror's text.
std::string FileErrorText(int error);

enum class EFileRead { Read, Absent, Failed };

// Reads the whole file at path into content, at most maxBytes. With
// regularOnly, anything but a regular file fails with
// FILE_ERROR_NOT_REGULAR, and the open never blocks (a FIFO without a writer
// does not hang the caller). Otherwise FIFOs and devices are read as any
// reader would (a pipe given on a command line), still at most maxBytes, so
// /dev/zero ends. A directory always fails with FILE_ERROR_NOT_REGULAR.
// Absent: no such file (or a path component is not a directory).
EFileRead ReadFileBounded(const std::string& path, std::size_t maxBytes, bool regularOnly, std::string* content,
                          int* error) noexcept;

// The file a write to path reaches: symbolic links are followed to their
// final target, also when that target does not exist yet (it is then
// created there). A loop or a chain over 40 links is returned as is and
// fails when written.
std::string ResolveWriteTarget(const std::string& path);

// A file that replaces its destination as a whole. Create makes it in the
// directory of the destination's final target (links are followed, so the
// link stays a link), unnamed where the system allows (O_TMPFILE), so a
// process killed while writing leaves nothing behind. Where it does not, the
// file is named ".NAME.tmp.XXXXXX" (NAME shortened to keep within the
// directory's name limit) and a killed process leaves it behind. Commit
// gives it the destination's name in one step; an existing destination
// keeps its permission bits, a new one gets 0666 less the umask.
class CAtomicFile {
 public:
  CAtomicFile() = default;
  ~CAtomicFile();  // discards what was not committed
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Fails with FILE_ERROR_NOT_REGULAR when the destination exists and is not
  // a regular file: a FIFO, a device node or a directory is never replaced.
  bool Create(const std::string& path, int* error) noexcept;
  // The descriptor to write to, -1 when not created. It stays ours.
  int GetDescriptor() const noexcept { return m_nFd; }
  const std::string& GetTarget() const noexcept { return m_sTarget; }
  bool IsUnnamed() const noexcept { return m_bUnnamed; }
  bool WriteAll(std::string_view data, int* error) noexcept;
  // With durable, the data and the new name are flushed to disk first.
  bool Commit(bool durable, int* error) noexcept;
  void Discard() noexcept;

 private:
  bool LinkUnnamed(const std::string& name, int* error) noexcept;

  std::string m_sTarget;
  std::string m_sName;      // the target's name in its directory
  std::string m_sTempName;  // named temporary file, empty when unnamed
  int m_nDirFd = -1;
  int m_nFd = -1;
  bool m_bUnnamed = false;
};

// Replaces path (through links, as above) with data.
bool WriteFileAtomically(const std::string& path, std::string_view data, bool durable, int* error) noexcept;

// An exclusive advisory lock (flock) held on a lock file, shared by every
// process that uses the same file. The lock file is created when missing
// and stays; it is never a FIFO or device (such a path fails at once).
class CFileLock {
 public:
  CFileLock() = default;
  ~CFileLock();
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

  // Waits at most timeoutMs for the lock; a process that holds it longer
  // fails the caller with FILE_ERROR_LOCK_TIMEOUT instead of hanging it.
  bool Acquire(const std::string& lockPath, std::uint32_t timeoutMs, int* error) noexcept;
  void Release() noexcept;

 private:
  int m_nFd = -1;
};

}  // namespace platform
