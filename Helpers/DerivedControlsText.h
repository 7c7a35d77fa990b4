#pragma once
// Text fields: the text edit whose text is also its value, the number that
// is dragged with the mouse or typed, and the option menu that owns a copy
// of a second text list.
#include <cstdint>
#include <string>
#include <vector>

#include "vstgui/COptionMenu.h"
#include "vstgui/CTextEdit.h"

// A listener that wants clicks made with a modifier key before the control
// acts on them; true when it took the click.
class CModifierClickListener {
 public:
  virtual ~CModifierClickListener() = default;
  virtual bool controlModifierClicked(VSTGUI::CControl* control, long buttons) = 0;
};

// The listener's modifier-click handler, if it has one and it took the click.
bool OfferModifierClick(VSTGUI::CControl* control, long buttons);

// A text edit whose value is its text read as a number. A read-only field
// never takes typing, so it keeps the text it was given.
class CTextEditExtended : public VSTGUI::CTextEdit {
 public:
  CTextEditExtended(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, const char* text,
                    VSTGUI::CBitmap* background = nullptr, bool readOnly = false);

  // Sets the text and the value read from it (0 when it is not a number).
  void setText(const char* text);
  void takeFocus() override;
  void looseFocus() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;

  void SetReadOnly(bool readOnly) { m_bReadOnlyText = readOnly; }
  bool IsReadOnly() const { return m_bReadOnlyText; }

 protected:
  bool m_bReadOnlyText;
  std::string m_sBeforeEdit;  // the text when typing began
};

enum ETextDragType { kTextDragLinear = 0, kTextDragOctaveSteps = 1, kTextDragLog = 2 };

// A number that is dragged vertically (three pixels per step, up raises it,
// Shift for tenth steps), turned with the wheel, typed after a double click,
// or reset to its default with a Control-click. The value lives in min..max;
// the text shows value x scale.
class CTextDrag : public CTextEditExtended {
 public:
  static constexpr int PIXELS_PER_STEP = 3;
  static constexpr float FINE_FACTOR = 0.1f;
  static constexpr std::size_t MAX_FORMAT = 63;

  CTextDrag(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, float value = 0.0f,
            ETextDragType type = kTextDragLinear, VSTGUI::CBitmap* background = nullptr);

  // Parameter 0..1 to min..max and back, by the drag type.
  float ConvertParamToValue(float param) override;
  float ConvertValueToParam(float value) override;
  // Stores the value and updates the text (dirty only when the text changed).
  void setValue(float value) override;
  // Formats the value into the text; true when the text changed.
  bool UpdateTextFromValue();
  // Reads the typed text back: number / scale, clamped to min..max.
  void UpdateValueFromText();

  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  bool onWheel(VSTGUI::CDrawContext* context, const VSTGUI::CPoint& where, float distance) override;
  void looseFocus() override;

  // printf formats for one float; the thousands format (none by default) is
  // used for value x scale above 1000, with the number divided by 1000.
  void SetFormat(const char* format);
  void SetThousandsFormat(const char* format);
  void SetScale(float scale) { m_fScale = scale; UpdateTextFromValue(); }
  float GetScale() const { return m_fScale; }
  void SetStep(float step) { m_fStep = step; }
  float GetStep() const { return m_fStep; }
  void SetDragType(ETextDragType type) { m_nType = type; }
  ETextDragType GetDragType() const { return m_nType; }
  bool IsDragging() const { return m_bDragging; }

  // The value a drag over `pixelSteps` whole steps of three pixels (positive
  // downwards; fine: Shift held) gives from vStart, clamped to min..max.
  float DraggedValue(float vStart, int pixelSteps, bool fine) const;

 private:
  void DragTo(int y, long buttons);
  void EndDrag();

  std::string m_sFormat = "%f";
  std::string m_sThousandsFormat;
  float m_fScale = 1.0f;
  float m_fStep = 0.01f;
  ETextDragType m_nType;
  bool m_bDragging = false;
  int m_nDragStartY = 0;
  int m_nLastY = 0;
  float m_fDragStartValue = 0.0f;
  std::uint32_t m_nDoubleClickMs;  // read when the control is built
  std::uint32_t m_nLastPressTick = 0;
  bool m_bHadPress = false;
};

// An option menu that can own a second list of texts, one per entry (for
// instance longer descriptions), copied in and freed with the menu. A second
// bitmap, when given, is its background while the list is open.
class COptionMenuExtended : public VSTGUI::COptionMenu {
 public:
  COptionMenuExtended(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                      VSTGUI::CBitmap* background = nullptr, VSTGUI::CBitmap* secondBackground = nullptr);
  ~COptionMenuExtended() override;

  void drawOGL() override;

  // Copies up to the number of entries from a list ended by a null pointer;
  // entries after the end stay empty.
  void SetSecondTexts(const char* const* texts);
  // The entry's second text; "" when there is none.
  const char* GetSecondText(int index) const;
  VSTGUI::CBitmap* GetSecondBackground() const { return m_pSecondBackground; }

 private:
  VSTGUI::CBitmap* m_pSecondBackground;
  std::vector<std::string> m_SecondTexts;
};
