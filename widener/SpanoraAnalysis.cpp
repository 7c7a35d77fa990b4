#include "widener/SpanoraAnalysis.h"

#include <algorithm>

#include "Helpers/ErrorReport.h"

template <class T>
void FilterCallBack0<T>::Apply(int n, Complex<T>* spectrum) {
  m_pSpectrum = spectrum;
  m_nLength = n;
}

template <class T>
Complex<T>* FilterCallBack0<T>::Take() {
  Complex<T>* spectrum = m_pSpectrum;
  m_pSpectrum = nullptr;
  return spectrum;
}

template <class T>
void FilterCallBack1<T>::Apply(int n, Complex<T>* spectrum) {
  if (Complex<T>* left = m_pLeft->Take()) {
    m_pLeftStore->StoreValuesForGraph(left, n);
    m_pRightStore->StoreValuesForGraph(spectrum, n);
  }
}

template class FilterCallBack0<float>;
template class FilterCallBack1<float>;

CSpanoraAnalysis::CSpanoraAnalysis()
    : m_pStoreL(std::make_unique<CFrequencyDataStore>(ANALYSIS_FFT_SIZE)),
      m_pStoreR(std::make_unique<CFrequencyDataStore>(ANALYSIS_FFT_SIZE)),
      m_pCallbackR(std::make_unique<FilterCallBack1<float>>(&m_CallbackL, m_pStoreL.get(), m_pStoreR.get())),
      m_pFilterL(std::make_unique<FftFilter<float>>(ANALYSIS_FFT_SIZE, &m_CallbackL)),
      m_pFilterR(std::make_unique<FftFilter<float>>(ANALYSIS_FFT_SIZE, m_pCallbackR.get())) {}

CSpanoraAnalysis::~CSpanoraAnalysis() = default;

void CSpanoraAnalysis::Feed(const float* left, const float* right, int frames) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Pieces end where frames end, so no input is ever left over. Only the
    // spectra are wanted: the filters' backward transforms and output rings
    // (CompleteProcessing, ValuesOut) are never run.
    const int hop = std::max(1, m_pFilterL->GetHop());
    for (int done = 0; done < frames;) {
      const int n = std::min(hop - m_nFrameFill, frames - done);
      m_pFilterL->ValuesIn(left + done, n);
      m_pFilterR->ValuesIn(right + done, n);
      m_nFrameFill = (m_nFrameFill + n) % hop;
      done += n;
    }
  });
}

void CSpanoraAnalysis::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_pFilterL->Clear();
    m_pFilterR->Clear();
    m_CallbackL.Take();
    m_nFrameFill = 0;
  });
}
