// spanora edit [FILE] [options]: the editor in a window of its own over the
// running effect, so that every control can be tried without a host. An
// audio thread plays the material through the effect in a loop at real-time
// pace (nothing reaches a sound device); the main thread idles the editor
// until its window is closed or SIGINT/SIGTERM arrives.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "platform/Environment.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/EditorMaterial.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/Render.h"
#include "tools/spanora/StopSignals.h"
#include "tools/vsthost/EditorHost.h"

namespace spanora {
namespace {

constexpr int BLOCK = 512;
// How often the main thread looks for a stop signal between idle steps.
constexpr std::chrono::milliseconds SIGNAL_POLL{100};

// Plays the source through the effect in a loop, one block per block's
// worth of wall-clock time, until told to stop or the source fails.
class CLoopPlayer {
 public:
  CLoopPlayer(vsthost::CVstHost& host, IFrameSource& source) : m_host(host), m_source(source) {}
  ~CLoopPlayer() { Stop(); }
  CLoopPlayer(const CLoopPlayer&) = delete;
  CLoopPlayer& operator=(const CLoopPlayer&) = delete;

  void Start() { m_thread = std::thread([this] { kiv::Guard(KIV_SIGNATURE, [&] { Run(); }); }); }
  void Stop() {
    m_bStop.store(true, std::memory_order_release);
    if (m_thread.joinable()) m_thread.join();
  }
  bool HasFailed() const { return m_bFailed.load(std::memory_order_acquire); }

 private:
  void Run() {
    std::vector<float> inLeft(BLOCK), inRight(BLOCK), outLeft(BLOCK), outRight(BLOCK);
    float* inputs[2] = {inLeft.data(), inRight.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    const double rate = m_source.GetSampleRate();
    auto next = std::chrono::steady_clock::now();
    bool rewound = false;  // a rewind that gives nothing again means there is nothing to play
    while (!m_bStop.load(std::memory_order_acquire)) {
      const std::int64_t frames = m_source.Read(inLeft.data(), inRight.data(), BLOCK);
      if (frames < 0 || (frames == 0 && (rewound || !m_source.Rewind()))) {
        m_bFailed.store(true, std::memory_order_release);
        return;
      }
      rewound = frames == 0;
      if (frames == 0) continue;
      m_host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(frames));
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::duration<double>(static_cast<double>(frames) / rate));
      std::this_thread::sleep_until(next);
    }
  }

  vsthost::CVstHost& m_host;
  IFrameSource& m_source;
  std::thread m_thread;
  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bFailed{false};
};

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "spanora: %s\n", message.c_str());
  return code;
}

}  // namespace

int RunEdit(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    SEditorOptions options;
    std::string error;
    if (!ParseEditOptions(arguments, &options, &error)) return Fail(EXIT_USAGE, error);
    if (const auto display = platform::GetEnvironment("DISPLAY"); !display || display->empty())
      return Fail(EXIT_NO_GRAPHICS, "edit opens a window and needs an X display, but DISPLAY is not set");
    const auto source = OpenEditorMaterial(options.input, &error);
    if (!source) return Fail(EXIT_BAD_FILE, error);
    if (source->GetFrames() == 0) return Fail(EXIT_BAD_FILE, "input '" + source->GetName() + "' holds no audio");

    vsthost::CVstHost host;
    if (!StartSession(host, ResolvePluginPath(options.plugin), static_cast<float>(source->GetSampleRate()), BLOCK))
      return int{EXIT_LOAD_FAILED};
    std::string applied;
    if (const int code = ApplySettingsAndSettle(host, options.preset, options.stateFile, options.settings, BLOCK, &applied);
        code != EXIT_OK)
      return code;

    CStopSignalScope signals;
    CLoopPlayer player(host, *source);
    player.Start();
    vsthost::CEditorHost editor(host);
    if (!editor.Open("Spanora3 - " + source->GetName())) {
      player.Stop();
      return Fail(EXIT_NO_GRAPHICS, "cannot open the editor: " + editor.GetError());
    }
    std::printf("editing %s with %s, playing '%s' in a loop (no sound)\n", host.GetEffectName().c_str(),
                applied.c_str(), source->GetName().c_str());
    std::printf("window 0x%llx, %dx%d: close it or press Ctrl-C to stop\n",
                static_cast<unsigned long long>(editor.GetWindowId()), editor.GetWidth(), editor.GetHeight());
    std::fflush(stdout);
    while (editor.IdleFor(SIGNAL_POLL) && CStopSignalScope::GetSignal() == 0 && !player.HasFailed()) {
    }
    editor.Close();
    player.Stop();
    if (player.HasFailed()) return Fail(EXIT_BAD_FILE, "cannot read '" + source->GetName() + "'");
    if (const int signal = CStopSignalScope::GetSignal(); signal != 0) return 128 + signal;
    return int{EXIT_OK};
  });
}

}  // namespace spanora
