#pragma once
// The editor base of the plug-in family: an OpenGL window with a front face
// (the subclass's controls over one background image) and a back face (an
// about or options page on a grey panel over the dimmed front face), flipped
// by a click on the title.
//
// Parameter-bound controls live in a table of generic slots, so a parameter
// change reaches every control of its tag; user edits go to the effect as
// automated parameter changes. Bitmaps are loaded once per resource id and
// shared. The host's idle calls drive face rebuilds, flips and the
// subclass's periodic work (IdleInner).
//
// Faces are never rebuilt inside a control's callback: valueChanged and
// GotoBackViewType only set a deadline 100 ms ahead, and idle rebuilds once
// no parameter gesture is open, so the control that was clicked is never
// deleted while it runs.
//
// Threads: everything here runs on the host's user-interface thread. The
// effect's calls from other threads are recorded by CKivEditorInterface and
// applied through the On... handlers at the start of each idle step.
#include <cstdint>
#include <memory>

#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CControl.h"
#include "vstgui/Lock.h"
#include "vstgui/Types.h"

class KivEffect;
class CStaticText;
class CStaticRect;
class CStaticBitmap;
class CInvisibleButton;
class CTextButton;
class CTextOnOffButton;
class CTextEditExtended;
class CTextDrag;
class CFiniteStatesButton;
class CRadioButton;
class COnOffButtonExtended;
class COptionMenuExtended;
class CPresetBrowser;
class CDebugReporter;

namespace VSTGUI {
class CAnimKnob;
class CBitmap;
class CHorizontalSlider;
class CKickButton;
class CVerticalSlider;
}  // namespace VSTGUI

// The page the back face shows.
enum BACK_VIEW_TYPE : int { BACK_VIEW_ABOUT = 0, BACK_VIEW_OPTIONS = 16 };

// The back face's text buttons, so valueChangedBackControl can tell them apart.
enum EBackButtonSlot : int { BACK_BUTTON_RETURN = 0, BACK_BUTTON_OPTIONS = 1, NUM_BACK_BUTTONS = 2 };

class FlipEditor : public VSTGUI::AEffGUIEditor, public VSTGUI::CControlListener {
 public:
  static constexpr int NUM_GENERIC_CONTROLS = 200;
  static constexpr int NUM_GENERIC_BITMAPS = 200;
  static constexpr int COMPACT_HEIGHT = 420;       // backgrounds lower than this get the compact back face
  static constexpr int BACK_PANEL_WIDTH = 420;
  static constexpr int BACK_LINE_HEIGHT = 15;
  static constexpr std::uint32_t FACE_CHANGE_DELAY_MS = 100;
  static constexpr std::uint32_t EFFECT_IDLE_INTERVAL_MS = 100;
  static constexpr int EDITOR_IDLE_SOURCE = 1;    // the effect's idle called from the editor
  static constexpr int MAX_PROFILING_TEXT = 1024;

  FlipEditor(vst::AudioEffect* effect, int backgroundBitmapId, const VSTGUI::CRect& titleRect, int backTitleTop);
  ~FlipEditor() override;

  // ---- Host calls ----
  bool open(void* parentWindow) override;
  // Opens on a surface made by the caller, e.g. an offscreen one.
  bool open(std::unique_ptr<platform::CGLSurface> surface);
  void close() override;
  void idle() override;
  void drawOGL() override;
  void setKnobMode(int mode) override;
  void beginEdit(long index) override;
  void endEdit(long index) override;

  // ---- Parameters and controls ----
  // A new value for every control bound to the tag, then the parameter hook.
  void setParameter(long index, float value) override;
  // The single listener of every control the editor makes.
  void valueChanged(VSTGUI::CControl* control) override;

  KivEffect* GetEffect() const;
  // The bitmap of a resource id, loaded on first use and shared after.
  VSTGUI::CBitmap* GetBitmap(long resourceId);
  VSTGUI::CBitmap* GetBackgroundBitmap() const { return m_pBackground; }

  int UseGenericControlSlot();
  VSTGUI::CControl* AddControl(VSTGUI::CControl* control, long tag, bool addToFrame = true);
  void RemoveGenericControl(VSTGUI::CControl* control);
  void SetValuesFromTag(VSTGUI::CControl* control, long tag, bool unused = false);
  int GetGenericControlsAdded() const { return m_nGenericControlsAdded; }
  VSTGUI::CControl* GetGenericControl(int slot) const;
  int GetGenericBitmapsAdded() const { return m_nGenericBitmapsAdded; }

  // ---- The Add... family: positions and rectangles are offset by the layout origin ----
  VSTGUI::CHorizontalSlider* AddHorizontalSliderNoBackground(const VSTGUI::CRect& rect, long handleBitmapId, long tag,
                                                             int minOffset, int maxOffset,
                                                             const VSTGUI::CPoint& handleOffset);
  VSTGUI::CVerticalSlider* AddVerticalSliderNoBackground(const VSTGUI::CRect& rect, long handleBitmapId, long tag,
                                                         int minOffset, int maxOffset,
                                                         const VSTGUI::CPoint& handleOffset);
  COnOffButtonExtended* AddOnOffButton(const VSTGUI::CPoint& point, long bitmapId, long tag);
  VSTGUI::CAnimKnob* AddAnimKnob(const VSTGUI::CPoint& point, long bitmapId, long tag, int subPixmaps);
  CStaticText* AddStaticText(const VSTGUI::CRect& rect, const char* text, VSTGUI::EOGLFont font,
                             VSTGUI::CHoriTxtAlign alignment);
  CTextEditExtended* AddTextEdit(const VSTGUI::CRect& rect, const char* text, long tag, VSTGUI::EOGLFont font,
                                 VSTGUI::CHoriTxtAlign alignment);
  CFiniteStatesButton* AddFiniteStatesButton(const VSTGUI::CPoint& point, long bitmapId, int numStates, long tag);
  CRadioButton* AddRadioButton(const VSTGUI::CPoint& point, long bitmapId, int numButtons, int index, long tag);
  CTextButton* AddTextButton(const VSTGUI::CRect& rect, const char* text, VSTGUI::EOGLFont font, long tag);
  CStaticBitmap* AddStaticBitmap(const VSTGUI::CPoint& point, long bitmapId);
  CStaticBitmap* AddStaticBitmap(const VSTGUI::CPoint& point, VSTGUI::CBitmap* bitmap);
  CStaticRect* AddStaticRect(const VSTGUI::CRect& rect, const VSTGUI::CColor& colour);
  // items: a null-terminated list of entry texts.
  COptionMenuExtended* AddOptionMenu(const VSTGUI::CPoint& point, const char* const* items, long bitmapId,
                                     long secondBitmapId, long tag, VSTGUI::EOGLFont font);
  COptionMenuExtended* AddOptionMenu(const VSTGUI::CRect& rect, const char* const* items, long tag);
  // type: an ETextDragType (linear, octave steps, log).
  CTextDrag* AddTextDrag(const VSTGUI::CRect& rect, long tag, VSTGUI::EOGLFont font, long bitmapId, int type);
  VSTGUI::CKickButton* AddKickButton(const VSTGUI::CPoint& point, long bitmapId, long tag);
  CInvisibleButton* AddInvisibleButton(const VSTGUI::CRect& rect, long tag);

  void SetLayoutOrigin(int x, int y) { m_LayoutOrigin = VSTGUI::CPoint(x, y); }
  const VSTGUI::CPoint& GetLayoutOrigin() const { return m_LayoutOrigin; }

  // ---- Faces ----
  virtual void AddPresetBrowser(int left, int top, int right, int bottom);
  virtual void ShowPresetBrowser(bool show);
  bool IsPresetBrowserShown() const { return m_bPresetBrowserShown; }
  virtual void UpdateProgramName();
  virtual void RemoveAllControls();
  // Shows a back page 100 ms from now (flips first when the front shows).
  virtual void GotoBackViewType(int type);
  virtual void UpdateABControls();
  virtual void UpdateUndoRedoControls();
  void ToggleFrontAndBack();
  void RefreshFrontOrBack();
  void AddFrontViews();
  void AddBackViews(int type);
  void ForceCallIdleInner();
  // The other face 100 ms from now (the flip button's and the return button's action).
  void RequestFlip();

  bool IsFrontShowing() const { return m_bFrontShowing; }
  int GetBackViewType() const { return m_nBackViewType; }
  bool IsEditorOpen() const { return m_bIsOpen; }
  bool IsRebuilding() const { return m_bRebuilding; }
  // Compact: the background is lower than COMPACT_HEIGHT; the back panel
  // then fills the height and the back title starts at the top.
  bool IsCompact() const;
  const VSTGUI::CRect& GetTitleRect() const { return m_TitleRect; }
  const VSTGUI::CRect& GetBackTitleRect() const { return m_BackCursor; }
  const char* GetTitle() const { return m_szTitle; }
  void SetTitle(const char* title) { m_szTitle = title ? title : "VST Plugin"; }

  // ---- Edit bookkeeping ----
  void SetInsideValueChanged(bool inside) { m_bInsideValueChanged = inside; }
  bool IsInsideValueChanged() const { return m_bInsideValueChanged; }
  long GetLastChangedTag() const { return m_nLastChangedTag; }

  // ---- Profiling ----
  // The effect's processing time per call and its block; zeros where the
  // effect does not measure it.
  struct SProcessProfile {
    double averageMs = 0.0;
    double maxMs = 0.0;
    int blockSize = 0;
  };
  virtual SProcessProfile GetProcessProfile();
  virtual void DrawProfilingInfo();
  void glDebugPrintf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void SetProfilingCursor(const VSTGUI::CRect& rect) { m_ProfilingCursor = rect; }
  float GetAverageFrameInterval() const { return m_fAverageFrameInterval; }

  // The editor's idle interval: 10 ms, or 100 ms where the host or the
  // "LimitFramerate" setting asks for it.
  static std::uint32_t GetIdleInterval();

 protected:
  // ---- Hooks for the subclass ----
  virtual void OnOpen() {}
  virtual void OnParameterHook(long /*index*/, float /*value*/) {}
  virtual void AddFrontViewsInner() {}
  // Nulls the subclass's own control pointers; runs whenever the controls go.
  virtual void NullControlPointers() {}
  virtual void AddBackViewsInner() {}
  virtual void UpdateUi() {}
  virtual void IdleInner() {}
  virtual const char* GetExtraText() { return ""; }
  virtual bool QueryExtra() { return false; }

  // ---- Back pages ----
  virtual void AddBackViewTitle();
  virtual void AddBackViewTypeContent();
  virtual void AddBackAbout();
  virtual void AddBackOptions();
  virtual void AddBackOptionsInner();
  virtual void valueChangedBackControl(VSTGUI::CControl* control);
  CStaticText* AddBackText(const char* text, VSTGUI::EOGLFont font, VSTGUI::CHoriTxtAlign alignment);
  CStaticText* AddBackText(const VSTGUI::CRect& rect, const char* text, VSTGUI::EOGLFont font,
                           VSTGUI::CHoriTxtAlign alignment);
  CTextButton* AddBackTextButton(const char* text, int buttonSlot, VSTGUI::EOGLFont font,
                                 const VSTGUI::CColor& colour);
  CTextOnOffButton* AddOption(const char* label, long tag, bool requiresReopen);

  void MaybeCallIdleInner();

  // ---- CKivEditorInterface handlers (applied in idle) ----
  bool OnFrameOpened(VSTGUI::CFrame* frame) override;
  void OnFrameClosing(VSTGUI::CFrame* frame) override;
  void OnParameterChanged(int index, float value) override;
  void OnReloadAllControls() override;
  void OnFullRefresh() override;
  void OnUndoRedoDisplay(bool canUndo, bool canRedo) override;

  // Well-known controls; null when the face does not have them.
  CInvisibleButton* m_pFlipButton = nullptr;
  CDebugReporter* m_pDebugReporter = nullptr;
  VSTGUI::CControl* m_pABButton = nullptr;
  VSTGUI::CControl* m_pCopyButton = nullptr;
  VSTGUI::CControl* m_pUndoButton = nullptr;
  VSTGUI::CControl* m_pRedoButton = nullptr;
  long m_nUndoBitmapIds[2] = {-1, -1};  // enabled, disabled
  long m_nRedoBitmapIds[2] = {-1, -1};
  VSTGUI::CControl* m_pPrevProgramButton = nullptr;
  VSTGUI::CControl* m_pNextProgramButton = nullptr;
  CTextEditExtended* m_pProgramNameEdit = nullptr;
  CPresetBrowser* m_pPresetBrowser = nullptr;
  VSTGUI::CControl* m_pPresetBrowserButton = nullptr;
  CTextButton* m_pBackButtons[NUM_BACK_BUTTONS] = {};

  VSTGUI::CColor m_DefaultColour = VSTGUI::kBlackCColor;
  VSTGUI::CColor m_DefaultBackColour = VSTGUI::kBlackCColor;  // AddTextDrag's background
  bool m_bKnobModeOverride = false;
  bool m_bOptionsButton = true;  // the about page offers "Options"
  const char* m_szTitle = "VST Plugin";
  // The back layout cursor: the back title line, moved down line by line.
  VSTGUI::CRect m_BackCursor;
  VSTGUI::CPoint m_LayoutOrigin;

 private:
  void NullWellKnownPointers();
  void AddFrame(VSTGUI::CControl* control);
  VSTGUI::CRect Place(const VSTGUI::CRect& rect) const;
  VSTGUI::CRect Place(const VSTGUI::CPoint& point, int width, int height) const;
  void ReleaseBitmaps();
  // "Cache Textures" is read when the editor is made and again on each open.
  void ApplyCacheTexturesSetting();
  // Tells the host the current values of a range of automatable parameters
  // that changed as a whole (A/B switch, copy).
  void TellHostParameters(int first, int count);
  // Rebuilds wait (bounded) while the effect applies new engine settings.
  void WaitForEffectReconfiguration();
  // The shared start of a face rebuild: the frame, or null (then the rebuild
  // is left pending until a frame exists).
  VSTGUI::CFrame* BeginFaceRebuild();
  // Clears the frame and adds the front controls; the index of the first one.
  int ReplaceWithFrontControls(VSTGUI::CFrame* frame);

  VSTGUI::CBitmap* m_pBackground = nullptr;
  VSTGUI::CRect m_TitleRect;
  int m_nBackTitleTop;

  // Face state.
  int m_nBackViewType = BACK_VIEW_ABOUT;
  bool m_bFrontShowing = true;
  bool m_bIsOpen = false;
  bool m_bOpening = false;
  bool m_bRebuilding = false;
  bool m_bRefreshPending = false;
  bool m_bUiUpdatePending = false;
  bool m_bInIdle = false;
  bool m_bInIdleInner = false;
  bool m_bPresetBrowserShown = false;

  // Deadlines in ms of the tick counter; 0 = none.
  std::uint32_t m_nRefreshDeadline = 0;
  std::uint32_t m_nFlipDeadline = 0;
  std::uint32_t m_nNextIdleDeadline = 0;
  std::uint32_t m_nLastEffectIdle = 0;
  bool m_bEffectIdled = false;

  std::uint32_t m_nLastDrawTick = 0;
  bool m_bHaveDrawTick = false;
  float m_fAverageFrameInterval = 10.0f;

  VSTGUI::CRect m_ProfilingCursor;
  VSTGUI::CControl* m_pGenericControls[NUM_GENERIC_CONTROLS] = {};
  int m_nGenericControlsAdded = 0;
  VSTGUI::CBitmap* m_pGenericBitmaps[NUM_GENERIC_BITMAPS] = {};
  long m_nGenericBitmapIds[NUM_GENERIC_BITMAPS] = {};
  int m_nGenericBitmapsAdded = 0;

  long m_nLastChangedTag = -1;
  bool m_bInsideValueChanged = false;

  // One recursive lock keeps rebuilding apart from drawing, opening, closing,
  // the program-name update and the undo/redo bitmaps. Every holder runs on
  // the user-interface thread, so one lock gives what a set of finer ones
  // taken in a fixed order would. Rebuilds, opening and closing also hold
  // the analysis hand-over lock, always taken before this one.
  VSTGUI::Lock m_FaceLock;
  class CRebuildScope;
};
