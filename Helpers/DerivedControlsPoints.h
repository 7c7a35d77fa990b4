#pragma once
// Draggable points over a graph. A subclass sets the points up on the first
// draw (InitControlPoints), draws the graph under them (drawOGLInner) and
// turns a drag into parameter changes (mouseInner). This base finds the
// point under the mouse, shows it hovered, runs the drag as one gesture and
// draws the handles. Its mouseable area reaches 50 pixels past its edges so
// that points near the edge can be grabbed.
#include "Helpers/MouseMoveAwayHook.h"
#include "vstgui/CControl.h"

class FlipEditor;

struct SControlPoint {
  float angle = 0.0f;          // the subclass's own coordinates
  float radius = 0.0f;
  float angleOffset = 0.0f;    // added to the angle for the handle's orientation
  bool highlight = false;
  float displayAngle = 0.0f;   // radians the handle image is turned by
  float x = 0.0f, y = 0.0f;    // centre on screen, editor pixels
  bool visible = true;
  VSTGUI::CColor imageColor = VSTGUI::kWhiteCColor;  // tints the handle image
  VSTGUI::CColor glowColor{255, 255, 255, 100};      // tints the hover glow
};

class CControlPointsControl : public VSTGUI::CControl, public CMouseMoveAwayHook {
 public:
  static constexpr int MAX_CONTROL_POINTS = 100;
  static constexpr int MOUSEABLE_MARGIN = 50;

  // The editor is the listener (null in tests: no parameter is then set).
  // Holds a reference to each bitmap; either may be null (a plain square).
  CControlPointsControl(const VSTGUI::CRect& size, FlipEditor* editor, VSTGUI::CBitmap* pointBitmap,
                        VSTGUI::CBitmap* hoverBitmap, float pointRadius = 8.0f);
  ~CControlPointsControl() override;

  // Hooks for the subclass, in this order.
  virtual void InitControlPoints() {}
  virtual void drawOGLInner() {}
  // A point is being dragged to this position.
  virtual void mouseInner(VSTGUI::CPoint& /*where*/) {}
  // A left click that hit no point.
  virtual void mouseEmptySpace(VSTGUI::CPoint& /*where*/, long /*buttons*/) {}
  // A click on point `index`; true when it was handled and no drag should start.
  virtual bool mouseSpecialClick(int /*index*/, VSTGUI::CPoint& /*where*/, long /*buttons*/) { return false; }

  void drawOGL() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  bool hitTest(const VSTGUI::CPoint& where, long buttons = 0) override;
  void setViewSize(const VSTGUI::CRect& size) override;
  void MouseMovedAway(VSTGUI::CDrawContext* context) override;

  // Points; indices past the count are ignored.
  int AddControlPoint(const SControlPoint& point);
  void SetNumControlPoints(int count);
  int GetNumControlPoints() const { return m_nNumPoints; }
  SControlPoint& GetControlPoint(int index) { return m_Points[ClampIndex(index)]; }
  const SControlPoint& GetControlPoint(int index) const { return m_Points[ClampIndex(index)]; }
  // The point whose handle covers `where`, the nearest when several do; -1 if none.
  int FindControlPoint(const VSTGUI::CPoint& where) const;
  int GetHoveredIndex() const { return m_nHovered; }
  int GetDraggedIndex() const { return m_nDragged; }
  // The point being dragged, else the hovered one, else -1.
  int GetActivePoint() const { return m_nDragged >= 0 ? m_nDragged : m_nHovered; }

  // Sets an effect parameter as a user edit (automated, recorded for undo).
  void SetParameter(long index, float value);
  FlipEditor* GetFlipEditor() const { return m_pEditor; }

  // Handles leaving the view are not drawn.
  void SetClip(bool clip) { m_bClip = clip; }
  bool GetClip() const { return m_bClip; }
  // Every point of the view takes clicks, not just the handles.
  void SetHitWholeArea(bool whole) { m_bHitWholeArea = whole; }
  float GetPointRadius() const { return m_fPointRadius; }

 protected:
  static int ClampIndex(int index) { return index < 0 ? 0 : index >= MAX_CONTROL_POINTS ? MAX_CONTROL_POINTS - 1 : index; }
  void DrawPoint(const SControlPoint& point, VSTGUI::CBitmap* bitmap, const VSTGUI::CColor& color);
  void SetHovered(int index);
  void DragTo(VSTGUI::CPoint& where);

  FlipEditor* m_pEditor;
  SControlPoint m_Points[MAX_CONTROL_POINTS];
  int m_nNumPoints = 0;
  int m_nHovered = -1;
  int m_nDragged = -1;
  VSTGUI::CBitmap* m_pPointBitmap;
  VSTGUI::CBitmap* m_pHoverBitmap;
  float m_fPointRadius;
  bool m_bInitialised = false;
  bool m_bClip = false;
  bool m_bHitWholeArea = false;
  VSTGUI::CPoint m_LastDragPoint{-100000, -100000};
};
