// A program for tests. Arguments, done in order:
//   --cwd FILE      write the current folder to FILE
//   --args FILE     write the remaining arguments to FILE, one a line
//   --print N       write N bytes to standard output
//   --caption TEXT  register a main window caption for this process (platform/WindowCaptions.h)
//   --sleep-ms N    sleep N milliseconds (a test ends it earlier by a signal)
//   --exit N        end with exit code N
//   --ignore-term   ignore SIGTERM from here on, as a program that does not answer a polite quit
// Without arguments it runs until a signal ends it, as a service does.
// SIGTERM ends it with exit code 0, as a polite quit.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/WindowCaptions.h"

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
    } else if (arg == "--print" && hasValue) {
      const std::string chunk(4096, 'x');
      for (long left = std::atol(argv[++i]); left > 0; left -= static_cast<long>(chunk.size()))
        std::fwrite(chunk.data(), 1, std::min<std::size_t>(chunk.size(), static_cast<std::size_t>(left)), stdout);
      std::fflush(stdout);
    } else if (arg == "--caption" && hasValue) {
      (void)platform::RegisterWindowCaption(argv[++i]);
    } else if (arg == "--sleep-ms" && hasValue) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
    } else if (arg == "--ignore-term") {
      signal(SIGTERM, SIG_IGN);
    } else if (arg == "--exit" && hasValue) {
      return std::atoi(argv[++i]);
    }
  }
  return 0;
}
