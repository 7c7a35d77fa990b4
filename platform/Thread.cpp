#include "platform/Thread.h"

#include <sched.h>

namespace platform {

CThread::~CThread() { Join(); }

void* CThread::Trampoline(void* self) {
  auto* thread = static_cast<CThread*>(self);
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
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  return pthread_setschedparam(m_hThread, SCHED_FIFO, &param) == 0;
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
