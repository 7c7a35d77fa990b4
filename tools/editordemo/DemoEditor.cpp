#include "tools/editordemo/DemoEditor.h"

#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/COptionMenu.h"
#include "vstgui/CParamDisplay.h"
#include "vstgui/CSlider.h"
#include "vstgui/CTextEdit.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace editordemo {

namespace {

// A flat panel with a one-pixel rim, standing in for background artwork.
class CPanel : public CView {
 public:
  CPanel(const CRect& size, const CColor& fill, const CColor& rim) : CView(size), m_fill(fill), m_rim(rim) {}
  void drawOGL() override {
    FillRect(m_size, m_fill);
    SetGLColor(m_rim);
    FrameRect(m_size);
  }

 private:
  CColor m_fill, m_rim;
};

// The parameter runs 0..1 over the entries; the menu's value is the index.
class CNormalisedMenu : public COptionMenu {
 public:
  using COptionMenu::COptionMenu;
  float ConvertParamToValue(float param) override { return param * getMax(); }
  float ConvertValueToParam(float value) override { return getMax() > 0.0f ? value / getMax() : 0.0f; }
};

void PercentText(float value, char* text, void*) { std::snprintf(text, 32, "%.0f%%", value * 100.0); }

}  // namespace

CDemoEditor::CDemoEditor(vst::AudioEffect* effect) : AEffGUIEditor(effect, CRect(0, 0, WIDTH, HEIGHT)) {}

bool CDemoEditor::OnFrameOpened(CFrame* frame) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    frame->addView(new CPanel(CRect(0, 0, WIDTH, HEIGHT), CColor{34, 38, 46, 255}, CColor{60, 66, 80, 255}));
    frame->addView(new CPanel(CRect(12, 44, WIDTH - 12, 300), CColor{44, 50, 60, 220}, CColor{90, 100, 120, 255}));
    for (int i = 0; i < NUM_KNOBS; ++i) {
      const int x = 24 + (i % 8) * 76, y = 60 + (i / 8) * 120;
      auto* knob = new CKnob(CRect(x, y, x + 56, y + 56), this, i);
      knob->setZoomFactor(5.0f);
      frame->addView(knob);
      auto* display = new CParamDisplay(CRect(x - 4, y + 62, x + 60, y + 78));
      display->setTag(i);
      display->setStringConvert(&PercentText);
      display->setBackColor(CColor{20, 22, 28, 255});
      frame->addView(display);
    }
    for (int i = 0; i < 2; ++i) {
      const int top = 320 + i * 30;
      auto* slider = new CHorizontalSlider(CRect(24, top, 324, top + 16), this, NUM_KNOBS + i, 24, 316, nullptr,
                                           nullptr);
      slider->setZoomFactor(5.0f);
      frame->addView(slider);
    }
    for (int i = 0; i < 4; ++i) {
      const int x = 360 + i * 64;
      frame->addView(new COnOffButton(CRect(x, 320, x + 48, 340), this, NUM_KNOBS + 2 + i, nullptr));
    }
    auto* menu = new CNormalisedMenu(CRect(360, 356, 600, 376), this, NUM_KNOBS + 6);
    for (const char* entry : {"Linear", "Octaves", "Bark", "Mel", "Chromatic"}) menu->addEntry(entry);
    menu->setBackColor(CColor{20, 22, 28, 255});
    frame->addView(menu);
    auto* name = new CTextEdit(CRect(24, 400, 324, 420), this, TAG_NAME, "Program name");
    name->setBackColor(CColor{20, 22, 28, 255});
    name->setHoriAlign(kLeftText);
    frame->addView(name);
    auto* title = new CParamDisplay(CRect(0, 8, WIDTH, 36));
    title->setTransparency(true);
    title->setFont(kOGLFont18);
    title->setStringConvert([](float, char* text, void*) { std::snprintf(text, 32, "Stock controls"); });
    frame->addView(title);
    OnFullRefresh();
    return true;
  });
}

void CDemoEditor::valueChanged(CControl* control) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const long tag = control->getTag();
    if (tag < 0 || tag >= NUM_PARAMS || !getEffect()) return;
    const float param = control->ConvertValueToParam(control->getValue());
    getEffect()->setParameterAutomated(static_cast<std::int32_t>(tag), param);
    // Read-outs bound to the same tag follow at once.
    setParameter(tag, param);
  });
}

}  // namespace editordemo
