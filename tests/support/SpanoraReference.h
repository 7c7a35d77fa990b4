#pragma once
// A sample-by-sample rendering of the widener's chain, written straight from
// the processing order (noise, IID, mix, ITD, fill, output stage, then the
// 256- and 128-sample updates), plus read access to the effect's processing
// state. The product's run-wise path must give exactly the same bits.
#include "widener/ASpanora.h"

class CSpanoraReference {
 public:
  static void Process(ASpanora& s, float** inputs, float** outputs, int frames);

  static float IidMix(const ASpanora& s) { return s.m_wI; }
  static float FillMix(const ASpanora& s) { return s.m_wF; }
  static float BypassMix(const ASpanora& s) { return s.m_wB; }
  static float ItdMix(const ASpanora& s) { return s.m_wT; }
  static int ActiveBands(const ASpanora& s) { return s.m_nActiveCount; }
  static int TargetBands(const ASpanora& s) { return s.m_nTargetCount; }
  static float Fade(const ASpanora& s, int band) { return s.m_fFade[band]; }
  static float Gain(const ASpanora& s, int channel) { return s.m_fGain[channel]; }
  static float Depth(const ASpanora& s) { return s.m_fDepth; }
  static int TargetDelay(const ASpanora& s) { return s.m_nTargetDelay; }
  static int Delay1(const ASpanora& s) { return s.m_pD1->GetDelay(); }
  static bool Rebuilding(const ASpanora& s) { return s.m_eRebuild != REBUILD_IDLE; }

 private:
  static void Sample(ASpanora& s, float inL, float inR, float& outL, float& outR);
};
