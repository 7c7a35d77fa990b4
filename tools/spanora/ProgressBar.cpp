#include "tools/spanora/ProgressBar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "Helpers/ErrorReport.h"

namespace spanora {

CProgressBar::CProgressBar(bool enabled, std::int64_t total)
    : m_bActive(enabled && total > 0 && ::isatty(STDERR_FILENO) == 1), m_nTotal(total) {}

CProgressBar::~CProgressBar() {
  if (m_bActive && m_nShownPercent >= 0) std::fprintf(stderr, "\r%60s\r", "");
}

void CProgressBar::Update(std::int64_t done) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bActive) return;
    const int percent = static_cast<int>(done >= m_nTotal ? 100 : done * 100 / m_nTotal);
    if (percent == m_nShownPercent) return;
    m_nShownPercent = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
    std::fprintf(stderr, "\rrendering [%s] %3d%%", bar.c_str(), percent);
    std::fflush(stderr);
  });
}

}  // namespace spanora
