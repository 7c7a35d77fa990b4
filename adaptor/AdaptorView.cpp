#include "adaptor/AdaptorView.h"

#include "Helpers/ErrorReport.h"
#include "Helpers/KivEffect.h"
#include "adaptor/PlugInAbi.h"

bool CAdaptorView::OnHostEvent(std::int32_t event) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    switch (event) {
      case PI_EVENT_TRANSPORT_START:
        m_bPlaying.store(true, std::memory_order_release);
        return true;
      case PI_EVENT_TRANSPORT_STOP:
        m_bPlaying.store(false, std::memory_order_release);
        RequestFlush();
        return true;
      default:
        return false;
    }
  });
}

void CAdaptorView::RequestFlush() {
  kiv::Guard(KIV_SIGNATURE, [&] { m_bFlushRequested.store(true, std::memory_order_release); });
}

bool CAdaptorView::RunPendingFlush() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_pEffect == nullptr || !m_bFlushRequested.exchange(false, std::memory_order_acq_rel)) return false;
    m_pEffect->FlushWithSilence();
    m_nFlushCount.fetch_add(1, std::memory_order_acq_rel);
    return true;
  });
}
