#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal
// (so logs and pipes never see carriage-return noise).
#include <cstdint>

namespace spanora {

class CProgressBar {
 public:
  // Draws nothing when disabled, when stderr is not a terminal or total is 0.
  CProgressBar(bool enabled, std::int64_t total);
  ~CProgressBar();  // clears the line
  CProgressBar(const CProgressBar&) = delete;
  CProgressBar& operator=(const CProgressBar&) = delete;

  void Update(std::int64_t done) noexcept;

 private:
  bool m_bActive = false;
  std::int64_t m_nTotal = 0;
  int m_nShownPercent = -1;
};

}  // namespace spanora
