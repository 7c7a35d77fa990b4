#pragma once
// The widener's analysis feed: two 1024-point block FFT filters (left,
// right) whose frames hand their spectra to two frequency data stores for
// the editor's displays. The right filter's callback publishes both spectra
// together so the stores always hold a matching pair.
#include <memory>

#include "Helpers/FftFilter.h"
#include "Helpers/FrequencyDataStore.h"

constexpr int ANALYSIS_FFT_SIZE = 1024;

template <class T>
class FilterCallBack0 : public FftFilterCallBack<T> {
 public:
  void Apply(int n, Complex<T>* spectrum) override;
  // Takes the left spectrum left by the last frame (null when none).
  Complex<T>* Take();

 private:
  Complex<T>* m_pSpectrum = nullptr;
  int m_nLength = 0;
};

template <class T>
class FilterCallBack1 : public FftFilterCallBack<T> {
 public:
  FilterCallBack1(FilterCallBack0<T>* left, CFrequencyDataStore* leftStore, CFrequencyDataStore* rightStore)
      : m_pLeft(left), m_pLeftStore(leftStore), m_pRightStore(rightStore) {}
  void Apply(int n, Complex<T>* spectrum) override;

 private:
  FilterCallBack0<T>* m_pLeft;
  CFrequencyDataStore* m_pLeftStore;
  CFrequencyDataStore* m_pRightStore;
};

class CSpanoraAnalysis {
 public:
  CSpanoraAnalysis();
  ~CSpanoraAnalysis();
  // Feeds a block of output; each frame that fills hands its spectra to the
  // stores. Never allocates.
  void Feed(const float* left, const float* right, int frames);
  void Clear();
  CFrequencyDataStore& Store(int channel) { return channel == 0 ? *m_pStoreL : *m_pStoreR; }

 private:
  std::unique_ptr<CFrequencyDataStore> m_pStoreL, m_pStoreR;
  FilterCallBack0<float> m_CallbackL;
  std::unique_ptr<FilterCallBack1<float>> m_pCallbackR;
  std::unique_ptr<FftFilter<float>> m_pFilterL, m_pFilterR;
  int m_nFrameFill = 0;  // samples of the current frame fed so far
};
