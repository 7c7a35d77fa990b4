#pragma once
// The view framework's recursive lock and its scoped holder. Editors keep the
// view tree apart from drawing and from the effect's program reloads with it.
#include <mutex>

namespace VSTGUI {

class Lock {
 public:
  void HoldLock() { m_mutex.lock(); }
  bool TryHoldLock() { return m_mutex.try_lock(); }
  void ReleaseLock() { m_mutex.unlock(); }

 private:
  std::recursive_mutex m_mutex;
};

class CScopedLock {
 public:
  explicit CScopedLock(Lock& lock) : m_lock(lock) { m_lock.HoldLock(); }
  ~CScopedLock() { m_lock.ReleaseLock(); }
  CScopedLock(const CScopedLock&) = delete;
  CScopedLock& operator=(const CScopedLock&) = delete;

 private:
  Lock& m_lock;
};

}  // namespace VSTGUI
