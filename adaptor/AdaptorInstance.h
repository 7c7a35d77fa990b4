#pragma once
// One plug-in instance as the host drives it: the widener effect, created
// through the one creation routine with this instance's audio-master
// callback, exposed as host controls, fed by the AudioSuite and RTAS paths,
// and saved as chunks.
//
// Controls: 0..n-1 are the effect's parameters (names from getParameterName,
// texts from getParameterDisplay), then "Master Bypass", "Mono Gain" and
// "Program". Around processReplacing:
//  - The effect always runs, bypassed or not, so its filters stay current
//    and leaving bypass never replays stale state. Bypass crossfades the
//    output linearly to the dry input over BYPASS_RAMP_FRAMES, both ways.
//  - A mono source feeds both effect inputs. A mono output is the fold-down
//    (L + R) / 2 of the effect's output scaled by "Mono Gain" (a widened
//    image changes level when summed, and this trims it); stereo outputs do
//    not use the gain.
//  - "Program" calls setProgram; the effect then re-sends every parameter
//    and the host is told of each through its automate callback.
//
// Chunks: 'vstp' ("Complete Controls State") holds the whole control state:
// the effect's keyed state, then "Program" (l_), "MasterBypass" and
// "MonoGain" (f_). On restore the program number is taken over first,
// without loading that program's stored values (the chunk's values become
// its values, as they were when the session was saved), then the effect's
// keys are applied, then the adaptor's own. Chunks saved before the
// adaptor's keys existed restore as before. 'SpAc' ("Adaptor Controls")
// still carries bypass and mono gain on their own.
//
// Time info: the effect asks for it on the audio thread (processing) and on
// control threads (tempo for a parameter change). The audio thread reads the
// record it writes itself; any other thread gets its own copy built from
// the position the audio thread publishes, so no record is read while it
// is written.
#include <atomic>
#include <cstdint>
#include <thread>

#include "Helpers/Vst/AEffect.h"
#include "adaptor/AdaptorView.h"
#include "adaptor/ChannelFormats.h"
#include "adaptor/PlugInAbi.h"

class CKeyedChunkEncoder;
class KivEffect;

constexpr int ADAPTOR_BLOCK_FRAMES = 1024;  // larger host blocks are processed in slices
constexpr int BYPASS_RAMP_FRAMES = 128;
constexpr int NUM_ADAPTOR_CONTROLS = 3;
constexpr const char* EFFECT_CHUNK_NAME = "Complete Controls State";
constexpr const char* ADAPTOR_CHUNK_NAME = "Adaptor Controls";

class CAdaptorInstance {
 public:
  // Null when the effect cannot be created.
  static CAdaptorInstance* Create(const SChannelFormat& format, bool audioSuite, void* hostCookie,
                                  double sampleRate, std::int32_t maxFrames);
  ~CAdaptorInstance();
  CAdaptorInstance(const CAdaptorInstance&) = delete;
  CAdaptorInstance& operator=(const CAdaptorInstance&) = delete;

  // --- Controls (PI_ERR_BAD_CONTROL outside 0..count-1) --------------------
  std::int32_t GetControlCount();
  std::int32_t GetControlInfo(std::int32_t control, PiControlInfo* info);
  std::int32_t SetControl(std::int32_t control, float value);
  std::int32_t GetControl(std::int32_t control, float* value);
  std::int32_t GetControlText(std::int32_t control, char* text, std::int32_t size);

  // --- Audio (real time) ---------------------------------------------------
  std::int32_t ProcessAudioSuite(const float* const* inputs, float* const* outputs, std::int32_t frames);
  std::int32_t ProcessRtas(const float* const* inputs, float* const* outputs, std::int32_t frames,
                           std::int64_t samplePosition);

  // --- State ---------------------------------------------------------------
  std::int32_t GetChunkInfo(std::int32_t index, PiChunkInfo* info);
  std::int32_t GetChunkSize(std::uint32_t chunkId, std::uint32_t* size);
  std::int32_t SaveChunk(std::uint32_t chunkId, void* buffer, std::uint32_t capacity, std::uint32_t* written);
  // 'vstp' applies the effect's keys (PI_ERR_CHUNK_KEY_MISSING at the first
  // absent one, the keys before it stay applied); other identifiers go to
  // the adaptor's own chunk handling.
  std::int32_t RestoreChunk(std::uint32_t chunkId, const void* data, std::uint32_t size);

  // --- Host events, diagnostics --------------------------------------------
  std::int32_t HostEvent(std::int32_t event);
  std::int32_t GetDiagnostics(PiDiagnostics* diagnostics);

  KivEffect* Effect() const { return m_pEffect; }
  const SChannelFormat& Format() const { return m_Format; }
  bool IsAudioSuite() const { return m_bAudioSuite; }

 private:
  CAdaptorInstance(const SChannelFormat& format, bool audioSuite, void* hostCookie, double sampleRate,
                   std::int32_t maxFrames);
  static std::intptr_t AudioMaster(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                   std::intptr_t value, void* ptr, float opt);
  std::intptr_t AnswerEffect(std::int32_t opcode, std::int32_t index, void* ptr, float opt);
  vst::VstTimeInfo* TimeInfoForCaller();
  void NotifyHost(std::int32_t control, std::int32_t event, float value);
  bool CheckBuffers(const float* const* inputs, float* const* outputs, std::int32_t frames) const;
  void Process(const float* const* inputs, float* const* outputs, std::int32_t frames, bool rtas,
               std::int64_t samplePosition);
  void ProcessSlice(const float* const* inputs, float* const* outputs, std::int32_t offset, std::int32_t frames);
  bool EncodeChunk(std::uint32_t chunkId, CKeyedChunkEncoder& encoder);
  std::int32_t RestoreAdaptorChunk(const std::uint8_t* data, std::size_t size);
  std::int32_t RestoreEffectChunk(const std::uint8_t* data, std::size_t size);
  int ParameterCount() const;

  SChannelFormat m_Format;
  bool m_bAudioSuite;
  void* m_pHostCookie;
  double m_dSampleRate;
  std::int32_t m_nMaxFrames;
  KivEffect* m_pEffect = nullptr;
  CAdaptorView* m_pView = nullptr;

  std::atomic<bool> m_bBypass{false};
  std::atomic<float> m_fMonoGain{1.0f};
  float m_fDryMix = 0.0f;  // audio thread: 0 = effect output, 1 = dry input

  vst::VstTimeInfo m_TimeInfo{};  // the processing thread's own
  std::atomic<std::thread::id> m_ProcessThread{};
  std::atomic<double> m_dPublishedPosition{0.0};
  std::atomic<std::int32_t> m_nPublishedFlags{0};
  std::int64_t m_nAudioSuitePosition = 0;
  std::atomic<std::int64_t> m_nFramesProcessed{0};

  float m_In[2][ADAPTOR_BLOCK_FRAMES] = {};
  float m_Out[2][ADAPTOR_BLOCK_FRAMES] = {};
  float* m_pIn[2] = {m_In[0], m_In[1]};
  float* m_pOut[2] = {m_Out[0], m_Out[1]};
};
