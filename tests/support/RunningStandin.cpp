#include "support/RunningStandin.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/ProcessFind.h"
#include "platform/WinPath.h"
#include "support/Standins.h"

namespace vqtest {

RunningStandin::RunningStandin(const std::string& windowsPath, std::vector<std::string> args, bool place) {
  if (place) PlaceProgramStandin(windowsPath);
  std::string error;
  EXPECT_TRUE(platform::ChildProcess::Start(platform::HostPath(windowsPath), args, "", child_, error))
      << windowsPath << ": " << error;
  EXPECT_TRUE(WaitUntil([&] { return !platform::ProcessImagePath(child_.pid()).empty(); })) << windowsPath;
}

RunningStandin::~RunningStandin() {
  if (child_.IsStarted() && Alive()) {
    ::kill(child_.pid(), SIGKILL);
    (void)child_.Wait();
  }
}

bool RunningStandin::Alive() {
  int code = 0;
  return child_.IsStarted() && !child_.Finished(code);
}

bool RunningStandin::Ended() {
  return WaitUntil([&] { return !Alive(); });
}

int RunningStandin::ExitCode() {
  int code = -1;
  return WaitUntil([&] { return child_.IsStarted() && child_.Finished(code); }) ? code : -1;
}

}  // namespace vqtest
