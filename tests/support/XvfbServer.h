#pragma once
// A private Xvfb for tests that need a display: started on a free display
// number (Xvfb picks it and tells us through -displayfd), DISPLAY set for
// this process while it runs, stopped and DISPLAY restored at the end.
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

class CXvfbServer {
 public:
  CXvfbServer() = default;
  ~CXvfbServer() { Stop(); }
  CXvfbServer(const CXvfbServer&) = delete;
  CXvfbServer& operator=(const CXvfbServer&) = delete;

  // False with a message in `error` when Xvfb cannot be started or is not
  // ready within a few seconds. extraArguments go to Xvfb as they are, e.g.
  // {"-extension", "GLX"} for a server without GLX.
  bool Start(std::string& error, const std::vector<std::string>& extraArguments = {});
  void Stop();

 private:
  pid_t m_pid = -1;
  std::string m_sDisplay;
  std::string m_sPreviousDisplay;
  bool m_bHadDisplay = false;
};

}  // namespace testsupport
