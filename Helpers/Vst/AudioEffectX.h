#pragma once
// Our VST 2.x effect base classes. AudioEffect owns the AEffect record that
// the host sees and maps each dispatcher opcode to a virtual operation with
// the conventional default answer; AudioEffectX adds the 2.x operations
// (time info, can-do, vendor strings, edit gestures). Subclasses override
// only what they implement.
#include <atomic>
#include <cstdint>

#include "Helpers/Vst/AEffect.h"

namespace vst {

class AudioEffect;

// The sample rates an effect accepts. 768 kHz is the highest rate audio
// interfaces offer (16 x 48 kHz); anything above is a broken host value.
constexpr float MIN_SAMPLE_RATE = 1.0f;
constexpr float MAX_SAMPLE_RATE = 768000.0f;

// The editor as the effect base sees it; the real editor derives from this.
class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : m_pEffect(effect) {}
  virtual ~AEffEditor() = default;
  virtual bool getRect(ERect** rect) { *rect = nullptr; return false; }
  virtual bool open(void* parentWindow) { m_pSystemWindow = parentWindow; return false; }
  virtual void close() { m_pSystemWindow = nullptr; }
  virtual bool isOpen() const { return m_pSystemWindow != nullptr; }
  virtual void idle() {}

 protected:
  AudioEffect* m_pEffect;
  void* m_pSystemWindow = nullptr;
};

class AudioEffect {
 public:
  AudioEffect(HostCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  AEffect* getAeffect() { return &cEffect; }
  HostCallback getAudioMaster() const { return audioMaster; }
  AEffEditor* getEditor() const { return editor; }
  float getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
  std::int32_t getBlockSize() const { return blockSize.load(std::memory_order_relaxed); }

  virtual std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt);

  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}
  // Rates outside [MIN_SAMPLE_RATE, MAX_SAMPLE_RATE] (and NaN) are ignored,
  // as are block sizes below 1: the previous value stays.
  virtual void setSampleRate(float rate);
  virtual void setBlockSize(std::int32_t size);
  static bool IsAcceptedSampleRate(float rate) { return rate >= MIN_SAMPLE_RATE && rate <= MAX_SAMPLE_RATE; }

  virtual void processReplacing(float** inputs, float** outputs, std::int32_t frames) = 0;
  virtual void process(float** inputs, float** outputs, std::int32_t frames);
  // True when every channel array the effect uses is there and frames > 0.
  bool HasAudioBuffers(float* const* inputs, float* const* outputs, std::int32_t frames) const;

  virtual void setParameter(std::int32_t, float) {}
  virtual float getParameter(std::int32_t) { return 0; }
  // Sets the value and tells the host, when the automation filter lets it.
  virtual void setParameterAutomated(std::int32_t index, float value);
  virtual bool isAutomationReported(std::int32_t) { return true; }

  virtual std::int32_t getProgram() { return curProgram; }
  virtual void setProgram(std::int32_t program) { curProgram = program; }
  virtual void setProgramName(char*) {}
  virtual void getProgramName(char* name) { *name = 0; }

  virtual void getParameterLabel(std::int32_t, char* label) { *label = 0; }
  virtual void getParameterDisplay(std::int32_t, char* text) { *text = 0; }
  virtual void getParameterName(std::int32_t, char* text) { *text = 0; }

  // Programs travel as parameter values, not chunks, unless a subclass says so.
  virtual std::int32_t getChunk(void** data, bool isPreset);
  virtual std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset);

  void setUniqueID(std::int32_t id) { cEffect.uniqueID = id; }
  void setNumInputs(std::int32_t n) { cEffect.numInputs = n; }
  void setNumOutputs(std::int32_t n) { cEffect.numOutputs = n; }
  void canProcessReplacing(bool state);
  void setInitialDelay(std::int32_t delay) { cEffect.initialDelay = delay; }
  void setEditor(AEffEditor* newEditor);
  std::intptr_t callHost(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f);

 protected:
  HostCallback audioMaster;
  AEffEditor* editor = nullptr;
  // Set by a host thread while the audio thread reads them: a subclass that
  // prepares its processing for the rate raises its own flag after the
  // store and picks the rate up at the start of a block.
  std::atomic<float> sampleRate{44100.0f};
  std::atomic<std::int32_t> blockSize{1024};
  std::int32_t numPrograms;
  std::int32_t numParams;
  std::atomic<std::int32_t> curProgram{0};  // read by any host thread
  AEffect cEffect{};

 private:
  static std::intptr_t DispatchEffect(AEffect* e, std::int32_t opcode, std::int32_t index,
                                      std::intptr_t value, void* ptr, float opt);
  static void ProcessEffect(AEffect* e, float** in, float** out, std::int32_t frames);
  static void ProcessReplacingEffect(AEffect* e, float** in, float** out, std::int32_t frames);
  static void SetParameterEffect(AEffect* e, std::int32_t index, float value);
  static float GetParameterEffect(AEffect* e, std::int32_t index);
};

class AudioEffectX : public AudioEffect {
 public:
  using AudioEffect::AudioEffect;

  std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt) override;

  virtual bool getEffectName(char*) { return false; }
  virtual bool getVendorString(char*) { return false; }
  virtual bool getProductString(char*) { return false; }
  virtual std::int32_t getVendorVersion() { return 0; }
  virtual std::intptr_t vendorSpecific(std::int32_t, std::intptr_t, void*, float) { return 0; }
  virtual std::int32_t canDo(const char*) { return 0; }
  virtual std::int32_t getPlugCategory() { return kPlugCategUnknown; }
  virtual bool getProgramNameIndexed(std::int32_t, std::int32_t, char*) { return false; }
  virtual bool beginSetProgram() { return false; }
  virtual bool endSetProgram() { return false; }
  virtual bool canParameterBeAutomated(std::int32_t) { return true; }
  virtual std::int32_t getTailSize() { return 0; }
  virtual std::int32_t fxIdle() { return 0; }
  virtual bool setBypass(bool) { return false; }
  virtual std::int32_t getVstVersion() { return 2400; }

  // Host services.
  virtual VstTimeInfo* getTimeInfo(std::int32_t filter);
  virtual bool ioChanged();
  virtual bool updateDisplay();
  virtual bool beginEdit(std::int32_t index);
  virtual bool endEdit(std::int32_t index);
  virtual bool canHostDo(const char* text);
  bool getHostVendorString(char* text);
  bool getHostProductString(char* text);
  std::int32_t getHostVendorVersion();
};

}  // namespace vst
