// The demo of the agent: builds the demo world (a program folder, a back-office database on the
// test ODBC driver and a stand-in of the platform on 127.0.0.1), starts the real agent in it
// with "-auto", and mirrors its log to the terminal. Without a display it runs the agent on a
// virtual X server of its own. Ctrl-C (or SIGTERM) asks the agent to quit politely and waits
// for it.
//
// Usage: TessalyDemo <path of the Tessaly executable>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/DemoWorld.h"
#include "support/TestOdbc.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStop(int) { g_stop = 1; }

// A virtual X server for the agent's window when this session has no display.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();  // Ctrl-C in the terminal must not take the display away from the agent
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      _exit(127);
    }
    ::close(fds[1]);
    // The server writes its display number and a line end once it accepts clients.
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    display_ = ":" + number;
  }
  ~VirtualDisplay() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  [[nodiscard]] const std::string& Name() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Prints what the agent's log files gained since the last call.
class LogMirror {
 public:
  explicit LogMirror(std::string dir) : dir_(std::move(dir)) {}
  void Pump() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
      if (entry.path().extension() != ".log") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      auto& offset = offsets_[entry.path().string()];
      in.seekg(static_cast<std::streamoff>(offset));
      std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const auto end = chunk.rfind('\n');
      if (end == std::string::npos) continue;  // only whole lines
      chunk.resize(end + 1);
      offset += chunk.size();
      std::string text;
      for (char c : chunk)
        if (c != '\r') text += c;
      std::fputs(text.c_str(), stdout);
      std::fflush(stdout);
    }
  }

 private:
  std::string dir_;
  std::map<std::string, std::size_t> offsets_;
};

int Run(const std::string& agentFile) {
  vqtest::DemoWorld world(agentFile);
  std::unique_ptr<VirtualDisplay> display;
  std::vector<std::string> env;
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x == nullptr || *x == '\0') && (wayland == nullptr || *wayland == '\0')) {
    display = std::make_unique<VirtualDisplay>();
    env.push_back("DISPLAY=" + display->Name());
    env.push_back("QT_QPA_PLATFORM=xcb");
  }
  std::printf(
      "Tessaly demo\n"
      "  program folder : %s\n"
      "  platform       : %s (a stand-in on this machine)\n"
      "  database       : %s (through the test ODBC driver)\n"
      "  display        : %s\n"
      "The agent logs in, uploads the sample tables and pulls two orders and two members.\n"
      "Its log follows. Press Ctrl-C to end it.\n\n",
      world.ProgramDir().c_str(), world.Platform().baseUrl().c_str(), world.Database().DatabasePath().c_str(),
      display ? ("virtual X server " + display->Name() + " (no display in this session)").c_str()
              : "this session's display");
  std::fflush(stdout);

  const pid_t agent = world.StartAgent({"-auto"}, env, world.ProgramDir() + "agent-output.txt");
  LogMirror mirror(world.ProgramDir() + "log");
  bool asked = false;
  int code = -1;
  for (;;) {
    mirror.Pump();
    code = vqtest::DemoWorld::WaitExit(agent, 200);
    if (code != -1) break;
    if (g_stop && !asked) {
      asked = true;
      std::printf("\n-- asking the agent to quit --\n");
      ::kill(agent, SIGTERM);
    }
  }
  mirror.Pump();

  auto& db = world.Database();
  std::printf(
      "\n-- the agent ended with exit code %d --\n"
      "  pages uploaded to the platform : %zu\n"
      "  orders stored in the database  : %s\n"
      "  members stored in the database : %s\n",
      code, world.Platform().RequestsTo("UpTable.ashx").size(),
      db.Value("select count(*) from spf_t_pos_master").value_or("0").c_str(),
      db.Value("select count(*) from spf_t_pos_vip_info").value_or("0").c_str());
  return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <path of the Tessaly executable>\n", argv[0]);
    return 2;
  }
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  try {
    return Run(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo: %s\n", e.what());
    return 1;
  }
}
