// A program for tests. Arguments, done in order:
//   --cwd FILE      write the current folder to FILE
//   --args FILE     write the remaining arguments to FILE, one a line
//   --sleep-ms N    sleep N milliseconds (a test ends it earlier by a signal)
//   --exit N        end with exit code N
// Without arguments it runs until a signal ends it, as a service does.
// SIGTERM ends it with exit code 0, as a polite quit.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  signal(SIGTERM, [](int) { _exit(0); });
  if (argc == 1) {
    for (;;) pause();
  }
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--cwd" && hasValue) {
      char buf[4096];
      std::ofstream(argv[++i]) << (getcwd(buf, sizeof buf) != nullptr ? buf : "?");
    } else if (arg == "--args" && hasValue) {
      std::ofstream out(argv[++i]);
      for (++i; i < argc; ++i) out << argv[i] << "\n";
    } else if (arg == "--sleep-ms" && hasValue) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
    } else if (arg == "--exit" && hasValue) {
      return std::atoi(argv[++i]);
    }
  }
  return 0;
}
