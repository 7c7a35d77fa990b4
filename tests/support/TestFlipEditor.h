#pragma once
// A small editor of the tests' own over the flip editor: two knobs, A/B,
// copy, undo and redo, previous and next program, the program name and the
// preset browser, on a plain test background. It counts its hooks so tests
// can see what the base called.
#include <memory>
#include <string>
#include <vector>

#include "Helpers/DerivedControls.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "platform/GLSurface.h"
#include "tests/support/FrameEvents.h"
#include "resources/TestResources.h"

class CTestFlipEditor : public FlipEditor {
 public:
  // Parameter tags of the face (the widener's first parameters).
  static constexpr long KNOB_TAG = 0;
  static constexpr long SECOND_KNOB_TAG = 2;
  static constexpr VSTGUI::CRect TITLE_RECT{150, 10, 350, 40};
  static constexpr int BACK_TITLE_TOP = 40;
  // Where the controls sit.
  static constexpr VSTGUI::CPoint KNOB_POS{20, 100};
  static constexpr VSTGUI::CPoint SECOND_KNOB_POS{70, 100};
  static constexpr VSTGUI::CPoint AB_POS{200, 100};
  static constexpr VSTGUI::CPoint COPY_POS{230, 100};
  static constexpr VSTGUI::CPoint UNDO_POS{260, 100};
  static constexpr VSTGUI::CPoint REDO_POS{290, 100};
  static constexpr VSTGUI::CPoint BROWSER_BUTTON_POS{320, 100};
  static constexpr VSTGUI::CPoint PREV_POS{350, 100};
  static constexpr VSTGUI::CPoint NEXT_POS{380, 100};
  static constexpr VSTGUI::CRect NAME_RECT{20, 60, 200, 75};
  static constexpr VSTGUI::CRect BROWSER_RECT{0, 130, 500, 440};

  explicit CTestFlipEditor(vst::AudioEffect* effect, int background = resources::TEST_IMAGE_EDITOR_BACKGROUND);

  int frontBuilds = 0;
  int idleInnerCalls = 0;
  std::vector<std::pair<long, float>> hookCalls;

  CTextEditExtended* NameEdit() const { return m_pProgramNameEdit; }

 protected:
  void AddFrontViewsInner() override;
  void UpdateUi() override {}
  void IdleInner() override { ++idleInnerCalls; }
  void OnParameterHook(long index, float value) override { hookCalls.emplace_back(index, value); }
};

// A GL surface with no context behind it: the frame opens, takes events and
// "draws" into nothing (GL calls without a current context do nothing), so
// the editor's logic runs without a display.
class CNullSurface : public platform::CGLSurface {
 public:
  CNullSurface(int width, int height) : m_nWidth(width), m_nHeight(height) {}
  int GetWidth() const noexcept override { return m_nWidth; }
  int GetHeight() const noexcept override { return m_nHeight; }
  bool IsAlive() const noexcept override { return true; }
  bool MakeCurrent() noexcept override { return true; }
  void RestoreContext() noexcept override {}
  void SwapBuffers() noexcept override {}
  bool ReadPixels(platform::SImage&) noexcept override { return false; }
  bool NextEvent(platform::SEvent&) noexcept override { return false; }
  void SetCursor(platform::ECursor) noexcept override {}
  void TakeFocus() noexcept override {}
  std::uint64_t GetNativeId() const noexcept override { return 0; }

 private:
  int m_nWidth, m_nHeight;
};


// Adds the test images, makes a CTestFlipEditor the effect's editor and opens
// it on `surface` (a CNullSurface of the editor's size when none is given).
// Null when it does not open; the effect owns the editor either way.
CTestFlipEditor* OpenTestFlipEditor(KivEffect& effect, std::unique_ptr<platform::CGLSurface> surface = nullptr,
                                    int background = resources::TEST_IMAGE_EDITOR_BACKGROUND);
