#include "platform/Thread.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

CThread::~CThread() { Join(); }

void* CThread::Trampoline(void* self) {
  auto* thread = static_cast<CThread*>(self);
  thread->m_nThreadId.store(gettid());
  thread->m_pProcedure(thread->m_pArgument);
  return nullptr;
}

bool CThread::Start(Procedure procedure, void* argument) noexcept {
  if (m_bStarted || procedure == nullptr) return false;
  m_pProcedure = procedure;
  m_pArgument = argument;
  m_bStarted = pthread_create(&m_hThread, nullptr, &CThread::Trampoline, this) == 0;
  return m_bStarted;
}

bool CThread::RaiseToHighestPriority() noexcept {
  if (!m_bStarted) return false;
  pid_t id = 0;
  for (int i = 0; i < 1000 && (id = m_nThreadId.load()) == 0; ++i) sched_yield();
  constexpr int kHighestNormalPriority = -10;  // a nice value
  return id != 0 && setpriority(PRIO_PROCESS, static_cast<id_t>(id), kHighestNormalPriority) == 0;
}

void CThread::Join() noexcept {
  if (!m_bStarted) return;
  pthread_join(m_hThread, nullptr);
  m_bStarted = false;
}

void CThread::Terminate() noexcept {
  if (!m_bStarted) return;
  pthread_cancel(m_hThread);
  pthread_join(m_hThread, nullptr);
  m_bStarted = false;
}

}  // namespace platform
