#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/GLSurface.h"
#include "platform/HostWindow.h"

extern char** environ;

namespace testsupport {
namespace {

// Mesa unloads its GL driver when the last display that used it closes; the
// driver's process-lifetime allocations then look leaked to LeakSanitizer,
// which cannot even name the unloaded module. Loading the driver once and
// keeping it (RTLD_NODELETE) keeps its state reachable, as in a host.
void KeepGlDriverLoaded() {
  std::string error;
  auto host = platform::CHostWindow::Create(8, 8, "driver", error);
  if (!host) return;
  auto surface = platform::CreateWindowSurface(host->GetId(), 8, 8, error);
  if (!surface) return;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        const std::string name = info->dlpi_name ? info->dlpi_name : "";
        if (name.find("_dri.so") != std::string::npos) platform::PinLoadedLibrary(name.c_str());
        return 0;
      },
      nullptr);
}

}  // namespace

bool CXvfbServer::Start(std::string& error, const std::vector<std::string>& extraArguments) {
  Stop();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  // The write end must survive exec in Xvfb only.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                                   "-nolisten", "tcp", "-noreset"};
  args.insert(args.end(), extraArguments.begin(), extraArguments.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    error = std::string("cannot start Xvfb: ") + std::strerror(spawned);
    return false;
  }
  m_pid = pid;
  // Xvfb writes the display number once it accepts connections.
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (number.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd poller{fds[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&poller, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    Stop();
    error = "Xvfb did not report a display within 10 s";
    return false;
  }
  number.resize(number.find('\n'));
  m_sDisplay = ':';
  m_sDisplay += number;
  const char* previous = std::getenv("DISPLAY");
  m_bHadDisplay = previous != nullptr;
  m_sPreviousDisplay = previous ? previous : "";
  setenv("DISPLAY", m_sDisplay.c_str(), 1);
  KeepGlDriverLoaded();
  return true;
}

void CXvfbServer::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  int status = 0;
  while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
  }
  m_pid = -1;
  if (!m_sDisplay.empty()) {
    if (m_bHadDisplay) {
      setenv("DISPLAY", m_sPreviousDisplay.c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
  }
  m_sDisplay.clear();
}

}  // namespace testsupport
