// Speed of the signal-processing building blocks. The "per_sample" counter
// is the time one sample takes through the measured unit.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <memory>
#include <random>
#include <vector>

#include "Helpers/FFT.h"
#include "Helpers/FftFilter.h"
#include "Helpers/RecursiveFilter.h"

#include "tests/support/TestSignals.h"

namespace {

constexpr int BLOCK = 1024;

void PerSample(benchmark::State& state, int samplesPerIteration) {
  // An inverted rate is time per sample, printed with its SI prefix ("2.2ns").
  state.counters["per_sample"] = benchmark::Counter(
      samplesPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The baseline: a textbook biquad with its two-sample state in members and
// the same arithmetic as the core.
struct PlainBiquad {
  float a0, a1, a2, b1, b2;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  explicit PlainBiquad(const CRecursiveFilterCore& c)
      : a0(c.GetFeedforward(0)), a1(c.GetFeedforward(1)), a2(c.GetFeedforward(2)), b1(c.GetFeedback(1)),
        b2(c.GetFeedback(2)) {}
  float Process(float x) {
    const float y = a0 * x + a1 * x1 + a2 * x2 + b1 * y1 + b2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

CRecursiveFilterCore MakeNotch(int i) {
  CRecursiveFilterCore f(2, 2);
  f.DesignNotch(0.01f + 0.02f * i, 0.001f);
  return f;
}

CRecursiveFilterCore MakeBandPass(int i) {
  CRecursiveFilterCore f(2, 2);
  f.DesignBandPass(0.01f + 0.02f * i, 0.001f);
  return f;
}

void BM_SectionSingleSample(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  CRecursiveFilterCore f = MakeNotch(0);
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) out[i] = f.Process(in[i]);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_SectionSingleSample);

void BM_SectionBlock(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  CRecursiveFilterCore f = MakeNotch(0);
  for (auto _ : state) {
    f.Process(in.data(), out.data(), BLOCK);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_SectionBlock);

void BM_PlainTwoStateBiquad(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  PlainBiquad f(MakeNotch(0));
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) out[i] = f.Process(in[i]);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_PlainTwoStateBiquad);

// Ten notches feeding each other, sample by sample (the widener's IID chain).
void BM_NotchChain10SingleSample(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  std::vector<CRecursiveFilterCore> chain;
  for (int i = 0; i < 10; ++i) chain.push_back(MakeNotch(i));
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) {
      float x = in[i];
      for (CRecursiveFilterCore& f : chain) x = f.Process(x);
      out[i] = x;
    }
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_NotchChain10SingleSample);

// The same chain of plain two-state biquads, for comparison.
void BM_PlainChain10SingleSample(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  std::vector<PlainBiquad> chain;
  for (int i = 0; i < 10; ++i) chain.emplace_back(MakeNotch(i));
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) {
      float x = in[i];
      for (PlainBiquad& f : chain) x = f.Process(x);
      out[i] = x;
    }
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_PlainChain10SingleSample);

// The same chain, each filter over the whole block in turn.
void BM_NotchChain10Block(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  std::vector<CRecursiveFilterCore> chain;
  for (int i = 0; i < 10; ++i) chain.push_back(MakeNotch(i));
  for (auto _ : state) {
    chain[0].Process(in.data(), out.data(), BLOCK);
    for (int k = 1; k < 10; ++k) chain[k].Process(out.data(), out.data(), BLOCK);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_NotchChain10Block);

// Ten band-passes on the same input, outputs summed.
void BM_BandPassBank10SingleSample(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  std::vector<CRecursiveFilterCore> bank;
  for (int i = 0; i < 10; ++i) bank.push_back(MakeBandPass(i));
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) {
      float sum = 0.0f;
      for (CRecursiveFilterCore& f : bank) sum += f.Process(in[i]);
      out[i] = sum;
    }
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_BandPassBank10SingleSample);

void BM_BandPassBank10Block(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK), band(BLOCK);
  std::vector<CRecursiveFilterCore> bank;
  for (int i = 0; i < 10; ++i) bank.push_back(MakeBandPass(i));
  for (auto _ : state) {
    bank[0].Process(in.data(), out.data(), BLOCK);
    for (int k = 1; k < 10; ++k) {
      bank[k].Process(in.data(), band.data(), BLOCK);
      for (int i = 0; i < BLOCK; ++i) out[i] += band[i];
    }
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_BandPassBank10Block);

// The same bank, four filters to a register (the widener's grouping).
void BM_BandPassBank10Grouped(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  std::vector<std::vector<float>> bands(10, std::vector<float>(BLOCK));
  std::vector<CRecursiveFilterCore> bank;
  for (int i = 0; i < 10; ++i) bank.push_back(MakeBandPass(i));
  for (auto _ : state) {
    for (int g = 0; g < 8; g += 4) {
      CRecursiveFilterCore* const filters[4] = {&bank[g], &bank[g + 1], &bank[g + 2], &bank[g + 3]};
      const float* const ins[4] = {in.data(), in.data(), in.data(), in.data()};
      float* const outs[4] = {bands[g].data(), bands[g + 1].data(), bands[g + 2].data(), bands[g + 3].data()};
      CRecursiveFilterCore::ProcessGroup<4>(filters, ins, outs, BLOCK);
    }
    CRecursiveFilterCore* const last[2] = {&bank[8], &bank[9]};
    const float* const lastIn[2] = {in.data(), in.data()};
    float* const lastOut[2] = {bands[8].data(), bands[9].data()};
    CRecursiveFilterCore::ProcessGroup<2>(last, lastIn, lastOut, BLOCK);
    for (int i = 0; i < BLOCK; ++i) {
      float sum = 0.0f;
      for (int k = 0; k < 10; ++k) sum += bands[k][static_cast<std::size_t>(i)];
      out[static_cast<std::size_t>(i)] = sum;
    }
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_BandPassBank10Grouped);

template <class T>
void BM_IntegerDelay(benchmark::State& state) {
  const std::vector<float> noise = Noise(BLOCK);
  const std::vector<T> in(noise.begin(), noise.end());
  std::vector<T> out(BLOCK);
  CDelayFilter<T> line(65536, false);
  line.SetDelay(1234);
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) out[i] = line.Process(in[i]);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_IntegerDelay<float>);
BENCHMARK(BM_IntegerDelay<double>);

template <class T>
void BM_FractionalDelay(benchmark::State& state) {
  const std::vector<float> noise = Noise(BLOCK);
  const std::vector<T> in(noise.begin(), noise.end());
  std::vector<T> out(BLOCK);
  CFloatDelayFilter<T> line(65536, false);
  line.SetDelay(1234.375f);
  for (auto _ : state) {
    for (int i = 0; i < BLOCK; ++i) out[i] = line.Process(in[i]);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_FractionalDelay<float>);
BENCHMARK(BM_FractionalDelay<double>);

// One frame of the 1024-point filter: in, transform, back, out.
void BM_FftFilterFrame1024(benchmark::State& state) {
  const std::vector<float> in = Noise(BLOCK);
  std::vector<float> out(BLOCK);
  FftFilter<float> filter(BLOCK, nullptr);
  for (auto _ : state) {
    filter.ValuesIn(in.data(), BLOCK);
    filter.CompleteProcessing();
    filter.ValuesOut(out.data(), BLOCK);
    benchmark::DoNotOptimize(out.data());
  }
  PerSample(state, BLOCK);
}
BENCHMARK(BM_FftFilterFrame1024);

// The floor: FFTW's own forward and backward of the same size, no copies.
void BM_BareFftwForwardBackward1024(benchmark::State& state) {
  float* time = fftwf_alloc_real(BLOCK);
  fftwf_complex* spectrum = fftwf_alloc_complex(BLOCK / 2 + 1);
  fftwf_plan forward = fftwf_plan_dft_r2c_1d(BLOCK, time, spectrum, FFTW_ESTIMATE);
  fftwf_plan backward = fftwf_plan_dft_c2r_1d(BLOCK, spectrum, time, FFTW_ESTIMATE);
  const std::vector<float> in = Noise(BLOCK);
  std::copy(in.begin(), in.end(), time);
  for (auto _ : state) {
    fftwf_execute(forward);
    fftwf_execute(backward);
    benchmark::DoNotOptimize(time);
  }
  fftwf_destroy_plan(forward);
  fftwf_destroy_plan(backward);
  fftwf_free(spectrum);
  fftwf_free(time);
  PerSample(state, BLOCK);
}
BENCHMARK(BM_BareFftwForwardBackward1024);

}  // namespace

BENCHMARK_MAIN();
