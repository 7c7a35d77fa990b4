#pragma once
// The arithmetic of the half-disc stereo-field display, shared by the width
// graph and its handle overlay: angle is stereo position (straight up the
// centre, 60 degrees either side fully left or right), radius is frequency
// (low on the inner arc). Plain values only, so it is tested without GL.
#include <cstdint>
#include <span>

#include "vstgui/Types.h"
#include "widener/SpanoraParameters.h"

namespace spanora_graph {

inline constexpr float PI = 3.14159265358979323846f;
// A normalised angle of 1 is this many radians.
inline constexpr float FULL_ANGLE = PI / 3.0f;

struct SPointF {
  float x = 0.0f;
  float y = 0.0f;
};

// The origin is the midpoint of the control's bottom edge; the radial band
// of depth R0 ends at the control's height.
class CHalfDisc {
 public:
  CHalfDisc(const VSTGUI::CRect& size, int radialDepth);

  float GetCentreX() const { return m_fCx; }
  int GetBottom() const { return m_nBottom; }
  int GetHeight() const { return m_nHeight; }
  int GetRadialDepth() const { return m_nDepth; }
  // The inner edge of the radial band.
  float GetInnerRadius() const { return static_cast<float>(m_nHeight - m_nDepth); }

  // Normalised radius 0..1 to pixels from the origin.
  float Radius(float v) const { return GetInnerRadius() + v * static_cast<float>(m_nDepth); }
  static float Angle(float u) { return u * FULL_ANGLE; }
  // Screen position of (angle in radians, radius in pixels).
  SPointF Place(float theta, float radius) const;

  // The mouse as a normalised angle (-1..1; 0 at or below the bottom edge)
  // and a normalised radius (0..1), and its distance from the origin.
  float AngleAt(const VSTGUI::CPoint& where) const;
  float RadiusAt(const VSTGUI::CPoint& where) const;
  float DistanceAt(const VSTGUI::CPoint& where) const;
  // Near the origin the angle is unstable: width drags are ignored there.
  bool InDeadZone(const VSTGUI::CPoint& where) const;

 private:
  float m_fCx;
  int m_nBottom;
  int m_nHeight;
  int m_nDepth;
};

// ---- The width graph's trail -------------------------------------------

// One sprite of a trail layer: its signed offset from the centre line along
// the arc (negative = left) and its half-size, both in pixels.
struct STrailSprite {
  float offset = 0.0f;
  float halfSize = 0.0f;
};

// Points quieter than this (left + right) are drawn on the centre line: half
// of the loudest point's sum over the point count, at least 0.001.
float TrailThreshold(std::span<const float> left, std::span<const float> right);
// Where the energy of one frequency point sits: louder left moves it left.
// s is the sprite's half-size, cx the display's centre x.
STrailSprite PlaceTrailSprite(float left, float right, float threshold, float s, float cx);

// The ring of trail layers: a new layer at most every 10 ms, and a tick
// count that wraps never stops the recording.
class CTrailRing {
 public:
  static constexpr int NUM_LAYERS = 10;
  static constexpr std::uint32_t INTERVAL_MS = 10;

  // The layer to record now (and its time is taken), or -1.
  int Advance(std::uint32_t now);
  std::uint32_t GetRecordedAt(int layer) const { return m_nRecordedAt[layer]; }
  std::uint32_t GetLastRecording() const { return m_nLastRecording; }
  int GetNextLayer() const { return m_nNext; }
  // The layer's colour scale c: colour (0.25c, 0.25c, 0.5c); older is dimmer.
  static float AgeScale(std::uint32_t now, std::uint32_t recordedAt);

 private:
  std::uint32_t m_nRecordedAt[NUM_LAYERS] = {};
  std::uint32_t m_nLastRecording = 0;
  int m_nNext = 0;
};

// ---- The handle overlay -------------------------------------------------

// The widener parameters the overlay shows and sets, by what they mean here.
inline constexpr int PARAM_IID_WIDTH = PARAM_WIDTH;
inline constexpr int PARAM_IID_RESOLUTION = PARAM_RESOLUTION;
inline constexpr int PARAM_IID_ENABLED = PARAM_WR_ENABLED;
inline constexpr int PARAM_IID_FOCUS_LOWER = PARAM_WR_LOW_FREQ;
inline constexpr int PARAM_IID_FOCUS_UPPER = PARAM_WR_HIGH_FREQ;
inline constexpr int PARAM_IID_LOW_BOUND = PARAM_WR_RESTRICT_LOW_FREQ;
inline constexpr int PARAM_IID_HIGH_BOUND = PARAM_WR_RESTRICT_HIGH_FREQ;
inline constexpr int PARAM_ITD_ENABLED = PARAM_SPLIT_DELAY_ENABLED;
inline constexpr int PARAM_ITD_HIGH_BOUND = PARAM_SPLIT_DELAY_LPF;
inline constexpr int PARAM_ITD_LOW_BOUND = PARAM_SPLIT_DELAY_HPF;
inline constexpr int PARAM_ITD_WIDTH = PARAM_SPLIT_DELAY_MIX;
inline constexpr int PARAM_LINK_RANGES = PARAM_LINK;

inline constexpr int NUM_HANDLES = 10;
// The parameter each handle sets.
int HandleParameter(int handle);
// Width handles (0, 1, 4, 5) set an angle, the others a radius.
bool IsWidthHandle(int handle);

// The offsets the effect remembers when "Link II/TD Range" is switched on:
// IID minus ITD for the widths, the high bounds and the low bounds.
struct SLinkOffsets {
  float width = 0.0f;
  float high = 0.0f;
  float low = 0.0f;
};

struct SParameterChange {
  int index = -1;
  float value = 0.0f;
};
// What one drag step sets: with the link on, the partner comes first.
struct SHandleDrag {
  int count = 0;
  SParameterChange changes[2];
};
SHandleDrag ComputeHandleDrag(int handle, const VSTGUI::CPoint& where, const CHalfDisc& disc, bool linked,
                              const SLinkOffsets& offsets);

// IID focus bar: the band count 1..10 from "IID Resolution".
int FocusBandCount(float resolution);

}  // namespace spanora_graph
