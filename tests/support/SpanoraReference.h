#pragma once
// A sample-by-sample rendering of the widener's chain, written straight from
// the processing order (noise, IID, mix, ITD, fill, output stage, then the
// 256- and 128-sample updates) with single-sample filter and delay steps.
// The engine's run-wise path must give exactly the same bits, stage by stage
// and as a whole.
#include "widener/SpanoraEngine.h"

namespace SpanoraReference {
// The whole chain over a block, one sample at a time.
void Process(CSpanoraEngine& engine, const float* const in[2], float* const out[2], int frames);

// One sample through one stage.
void Iid(CIidBandBank& bank, const float x[2], float y[2], float wI);
// With `old` (while a change runs), the old chain too.
void Itd(CItdStage& itd, float y[2], float* old, float wT);
void Fill(CItdFillStage& fill, float y[2], float* old, float wF);
void Output(COutputStage& output, const float x[2], const float y[2], float out[2], float wLin, float wB);
}  // namespace SpanoraReference
