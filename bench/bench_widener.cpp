// Speed of the widener's audio path and of building an effect object.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "Helpers/KivEditorInterface.h"
#include "tests/support/FakeHost.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraIidKernel.h"

namespace {

constexpr float kRate = 48000.0f;

// An editor that is only open: the audio path then feeds the analysis and
// the meters, as it does while a user looks at the face.
class COpenEditor : public CKivEditorInterface {
 public:
  using CKivEditorInterface::CKivEditorInterface;
  bool isOpen() const override { return true; }
};

void EveryStageOn(ASpanora& effect) {
  effect.setParameter(PARAM_WR_ENABLED, 1.0f);
  effect.setParameter(PARAM_WIDTH, 1.0f);
  effect.setParameter(PARAM_RESOLUTION, 1.0f);
  effect.setParameter(PARAM_WR_LOW_FREQ, 0.0f);  // ten bands across the whole range
  effect.setParameter(PARAM_WR_HIGH_FREQ, 1.0f);
  effect.setParameter(PARAM_WR_RESTRICT_LOW_FREQ, 0.0f);
  effect.setParameter(PARAM_WR_RESTRICT_HIGH_FREQ, 1.0f);
  effect.setParameter(PARAM_SPLIT_DELAY_ENABLED, 1.0f);
  effect.setParameter(PARAM_HAAS_ENABLED, 1.0f);
  effect.setParameter(PARAM_DYNAMICS, 1.0f);
  effect.setParameter(PARAM_DYN_TEMPO, 1.0f);
  effect.setParameter(PARAM_AUTO_LEVEL, 1.0f);
  effect.setParameter(PARAM_BALANCE, 0.6f);
}

// Audio seconds per CPU second, every stage on, noise or silence, in blocks
// of the second argument's frames, with the editor closed or open (third).
void BM_WidenerEveryStage(benchmark::State& state) {
  const int kBlock = static_cast<int>(state.range(1));
  FakeHost host;
  host.timeInfo.sampleRate = kRate;
  ASpanora effect(host.Callback());
  effect.setSampleRate(kRate);
  EveryStageOn(effect);
  if (state.range(2) != 0) {
    effect.SetKivEditor(new COpenEditor(&effect));  // the effect owns its editor
    state.counters["analysis"] = effect.GetAnyParameter(PARAM_ANALYSIS) != 0.0f ? 1.0 : 0.0;
  }
  const bool silence = state.range(0) == 0;
  const std::size_t length = static_cast<std::size_t>(kRate) / static_cast<std::size_t>(kBlock) * static_cast<std::size_t>(kBlock);
  std::vector<float> left(length), right(length);  // about one second
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  for (std::size_t i = 0; i < left.size(); ++i) {
    left[i] = silence ? 0.0f : noise(rng);
    right[i] = silence ? 0.0f : noise(rng);
  }
  std::vector<float> outL(static_cast<std::size_t>(kBlock)), outR(static_cast<std::size_t>(kBlock));
  // Let glides and the band layout settle first.
  for (int warm = 0; warm < 4; ++warm) {
    for (std::size_t at = 0; at + static_cast<std::size_t>(kBlock) <= left.size(); at += static_cast<std::size_t>(kBlock)) {
      float* in[2] = {left.data() + at, right.data() + at};
      float* out[2] = {outL.data(), outR.data()};
      effect.processReplacing(in, out, kBlock);
    }
  }
  std::int64_t samples = 0;
  for (auto _ : state) {
    for (std::size_t at = 0; at + static_cast<std::size_t>(kBlock) <= left.size(); at += static_cast<std::size_t>(kBlock)) {
      float* in[2] = {left.data() + at, right.data() + at};
      float* out[2] = {outL.data(), outR.data()};
      effect.processReplacing(in, out, kBlock);
      samples += kBlock;
    }
    benchmark::DoNotOptimize(outL.data());
  }
  // Seconds of processing per sample frame, shown by the library with its own unit prefix.
  state.counters["per_frame"] =
      benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] =
      benchmark::Counter(static_cast<double>(samples) / kRate, benchmark::Counter::kIsRate);
}
// CPU time: the machine may be shared.
BENCHMARK(BM_WidenerEveryStage)
    ->ArgNames({"noise", "block", "editor"})
    ->Args({1, 512, 0})
    ->Args({0, 512, 0})
    ->Args({1, 32, 0})
    ->Args({1, 512, 1})
    ->Unit(benchmark::kMillisecond);

// One IID kernel run of ten bands, by kernel (first argument) and run length
// (second). A run costs its steps plus a fixed fill and drain of the skew:
// the gap between short and long runs is what small host blocks pay.
void BM_IidKernelRun(benchmark::State& state) {
  const auto kernel = static_cast<EIidKernel>(state.range(0));
  const int n = static_cast<int>(state.range(1));
  if (!SpanoraIidKernels::IsAvailable(kernel)) {
    state.SkipWithError("kernel not available on this CPU");
    return;
  }
  state.SetLabel(SpanoraIidKernels::Name(kernel));
  auto lanes = std::make_unique<SIidLanes>();
  lanes->bands = 10;
  for (int band = 0; band < 10; ++band) {
    CRecursiveFilterCore notch, bandPass;
    notch.DesignNotch(0.005f + 0.04f * static_cast<float>(band), 0.001f);
    bandPass.DesignBandPass(0.006f + 0.04f * static_cast<float>(band), 0.001f);
    for (int j = 0; j < 4; ++j) {
      const CRecursiveFilterCore::SBiquadState f = (j < 2 ? notch : bandPass).GetBiquadState();
      const int i = 4 * band + j;
      lanes->a0[i] = f.a0;
      lanes->a1[i] = f.a1;
      lanes->a2[i] = f.a2;
      lanes->b1[i] = f.b1;
      lanes->b2[i] = f.b2;
      lanes->fade[i] = 1.0f;
    }
  }
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  float in[2][GAIN_SAMPLES], out[2][GAIN_SAMPLES];
  for (int k = 0; k < GAIN_SAMPLES; ++k) {
    in[0][k] = noise(rng);
    in[1][k] = noise(rng);
  }
  const float* const x[2] = {in[0], in[1]};
  float* const y[2] = {out[0], out[1]};
  const IidKernel run = SpanoraIidKernels::Get(kernel);
  for (auto _ : state) {
    run(*lanes, x, y, n, 0.7f);
    benchmark::DoNotOptimize(out[0][0]);
  }
  state.counters["per_frame"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                                               benchmark::Counter::kInvert);
}
BENCHMARK(BM_IidKernelRun)->ArgNames({"kernel", "run"})->ArgsProduct({{0, 1, 2}, {8, 32, 128}});

// Building an effect object, without the 100 ms its worker start-up waits.
void BM_ConstructEffect(benchmark::State& state) {
  FakeHost host;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto effect = std::make_unique<ASpanora>(host.Callback());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count() - 0.1);
    benchmark::DoNotOptimize(effect.get());
  }
  state.counters["object_bytes"] = static_cast<double>(sizeof(ASpanora));
}
BENCHMARK(BM_ConstructEffect)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
