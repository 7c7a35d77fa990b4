#pragma once
// The editor's own controls, in one include: labels and rectangles, text and
// bitmap buttons, the drag-to-edit number field, the option menu with owned
// texts, the preset browser and the draggable points over a graph; plus the
// level formatter and the zero-size control that prints the profiling lines.
// Every control reports edits to its listener (the editor) with valueChanged.
#include "Helpers/DerivedControlsButtons.h"
#include "Helpers/DerivedControlsPoints.h"
#include "Helpers/DerivedControlsPresetBrowser.h"
#include "Helpers/DerivedControlsStatic.h"
#include "Helpers/DerivedControlsText.h"
#include "vstgui/CControl.h"

class FlipEditor;

// "-INF" for a gain of 0 or less, else the gain in decibels: "%.0fdB" from
// 10 dB away from unity on, "%.1fdB" nearer. Returns one shared static buffer
// that the next call overwrites (editor thread only).
const char* DbString(float gain);

// A zero-size control (tag 9999) whose draw prints the editor's profiling lines.
class CDebugReporter : public VSTGUI::CControl {
 public:
  explicit CDebugReporter(FlipEditor* editor);
  void drawOGL() override;
  bool hitTest(const VSTGUI::CPoint&, long = 0) override { return false; }

 private:
  FlipEditor* m_pEditor;
};
