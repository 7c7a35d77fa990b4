#include "Helpers/DerivedControls.h"

#include <cmath>
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"

const char* DbString(float gain) {
  static char s_szText[32];
  return kiv::Guard(KIV_SIGNATURE, static_cast<const char*>("-INF"), [&] {
    if (!(gain > 0.0f)) return "-INF";  // NaN too
    const double db = 20.0 * std::log10(static_cast<double>(gain));
    std::snprintf(s_szText, sizeof s_szText, std::fabs(db) >= 10.0 ? "%.0fdB" : "%.1fdB", db);
    return static_cast<const char*>(s_szText);
  });
}

CDebugReporter::CDebugReporter(FlipEditor* editor)
    : CControl(VSTGUI::CRect(0, 0, 0, 0), editor, 9999), m_pEditor(editor) {}

void CDebugReporter::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pEditor) return;
    m_pEditor->SetProfilingCursor(VSTGUI::CRect(0, 0, 200, 15));
    m_pEditor->DrawProfilingInfo();
  });
}
