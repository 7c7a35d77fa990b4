#pragma once
// Interim stand-in until the bitmap loader lands.
namespace VSTGUI {
class CFrame;
class CBitmap {
 public:
  CBitmap(CFrame*, long id) : m_nId(id) {}
  void remember() { ++m_nRef; }
  void forget() { if (--m_nRef <= 0) delete this; }
  int getWidth() const { return 0; }
  int getHeight() const { return 0; }
  long getResourceId() const { return m_nId; }
  void drawOGL(int, int) {}
  void drawOGL(int, int, int, int, int, int) {}
 private:
  long m_nId;
  int m_nRef = 1;
};
}  // namespace VSTGUI
