#include "platform/BatchRunner.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/MachineTree.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSteps = 100000;
constexpr int kMaxPauseSeconds = 99;

bool StartsWithText(std::string_view text, std::string_view head) {
  return text.size() >= head.size() && SameText(text.substr(0, head.size()), head);
}

std::string Unquote(std::string s) {
  s = TrimBlanks(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

bool ParseInt(const std::string& text, long& out) {
  const std::string t = TrimBlanks(text);
  if (t.empty()) return false;
  char* end = nullptr;
  out = std::strtol(t.c_str(), &end, 10);
  return *end == '\0';
}

bool IsName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

std::string Canonical(const std::string& host) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(host, ec);
  return ec ? host : p.string();
}

// True when `folder` is `guarded` or one of its parents.
bool Covers(const std::string& folder, const std::string& guarded) {
  return guarded == folder || (guarded.size() > folder.size() && guarded.compare(0, folder.size(), folder) == 0 &&
                               guarded[folder.size()] == '/');
}

// A folder, as opened, that rd may empty: inside a drive of the machine, and no protected folder.
bool MayRemoveFolder(const std::string& host) {
  const auto win = WindowsPathOf(host);
  if (!win || win->size() <= 3) return false;  // outside the drives, or a drive root
  std::vector<std::string> guarded = {Canonical(MachineRoot())};
  for (const char* p : {"C:\\Windows", "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData"})
    guarded.push_back(Canonical(HostPath(p)));
  for (const std::string& g : guarded) {
    if (Covers(host, g)) return false;
  }
  return true;
}

void RemoveEntry(const MachineFolder& folder, const std::string& name) { (void)::unlinkat(folder.fd(), name.c_str(), 0); }

class Runner {
 public:
  bool Run(const std::vector<std::string>& lines, std::string& error) {
    std::size_t pc = 0;
    for (int steps = 0; pc < lines.size(); ++steps) {
      if (steps >= kMaxSteps) {
        error = "too many steps";
        return false;
      }
      const std::string line = TrimBlanks(Expand(lines[pc]));
      ++pc;
      if (line.empty() || line[0] == ':' || SameText(line, "@echo off")) continue;
      std::string label;
      if (!Step(line, label, error)) return false;
      if (!label.empty() && !Jump(lines, label, pc, error)) return false;
    }
    return true;
  }

 private:
  // As cmd reads a batch line: "%%" is one "%", "%NAME%" the variable's value (nothing when it
  // is not set), and a "%" without a partner goes.
  std::string Expand(const std::string& line) const {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '%') {
        out += line[i];
        continue;
      }
      const auto close = line.find('%', i + 1);
      if (close == std::string::npos) continue;
      if (close == i + 1) {
        out += '%';
      } else if (const auto it = vars_.find(AsciiUpper(line.substr(i + 1, close - i - 1))); it != vars_.end()) {
        out += it->second;
      }
      i = close;
    }
    return out;
  }

  static bool Jump(const std::vector<std::string>& lines, const std::string& label, std::size_t& pc,
                   std::string& error) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string l = TrimBlanks(lines[i]);
      if (!l.empty() && l[0] == ':' && SameText(TrimBlanks(l.substr(1)), label)) {
        pc = i + 1;
        return true;
      }
    }
    error = "no label " + label;
    return false;
  }

  bool Step(const std::string& line, std::string& jumpTo, std::string& error) {
    if (StartsWithText(line, "choice ")) return Pause(line, error);
    if (StartsWithText(line, "set /a ")) return Arithmetic(line.substr(7), error);
    if (StartsWithText(line, "set ")) {
      const std::string rest = line.substr(4);
      const auto eq = rest.find('=');
      if (eq == std::string::npos || !IsName(TrimBlanks(rest.substr(0, eq)))) return Refuse(line, error);
      vars_[AsciiUpper(TrimBlanks(rest.substr(0, eq)))] = rest.substr(eq + 1);
      return true;
    }
    if (StartsWithText(line, "if ")) return Compare(line, jumpTo, error);
    if (StartsWithText(line, "del ")) {
      const std::string path = Unquote(line.substr(4));
      if (!IsDrivePath(path)) return Refuse(line, error);
      (void)DeleteFile(path);
      return true;
    }
    for (const char* rd : {"rd/s/q ", "rd /s /q "}) {
      if (StartsWithText(line, rd)) {
        const std::string path = Unquote(line.substr(std::string_view(rd).size()));
        if (IsDrivePath(path)) (void)DeleteMachineTree(path, RemoveEntry, MayRemoveFolder);
        return true;
      }
    }
    return Refuse(line, error);
  }

  static bool Refuse(const std::string& line, std::string& error) {
    error = "line not allowed: " + line;
    return false;
  }

  static bool Pause(const std::string& line, std::string& error) {
    const auto t = AsciiLower(line).find(" /t ");
    long seconds = 0;
    if (t == std::string::npos) return Refuse(line, error);
    const std::string rest = line.substr(t + 4);
    if (!ParseInt(rest.substr(0, rest.find(' ')), seconds) || seconds < 0 || seconds > kMaxPauseSeconds)
      return Refuse(line, error);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return true;
  }

  bool Arithmetic(const std::string& expr, std::string& error) {
    const auto eq = expr.find('=');
    if (eq == std::string::npos) return Refuse(expr, error);
    std::string name = TrimBlanks(expr.substr(0, eq));
    char op = '=';
    if (!name.empty() && (name.back() == '+' || name.back() == '-')) {
      op = name.back();
      name = TrimBlanks(name.substr(0, name.size() - 1));
    }
    long operand = 0;
    if (!IsName(name) || !ParseInt(expr.substr(eq + 1), operand)) return Refuse(expr, error);
    std::string& var = vars_[AsciiUpper(name)];
    long current = 0;
    if (!ParseInt(var, current)) current = 0;
    if (op == '+') current += operand;
    if (op == '-') current -= operand;
    if (op == '=') current = operand;
    var = std::to_string(current);
    return true;
  }

  static bool Compare(const std::string& line, std::string& jumpTo, std::string& error) {
    const std::string lower = AsciiLower(line);
    const auto lss = lower.find(" lss ");
    const auto go = lower.find(" goto ");
    long a = 0;
    long b = 0;
    if (lss == std::string::npos || go == std::string::npos || go < lss || !ParseInt(line.substr(3, lss - 3), a) ||
        !ParseInt(line.substr(lss + 5, go - lss - 5), b))
      return Refuse(line, error);
    if (a < b) jumpTo = TrimBlanks(line.substr(go + 6));
    return true;
  }

  std::map<std::string, std::string> vars_;
};

std::string SelfExecutable() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// A program started by StartBatchFile runs the batch here, before main(), and never reaches main.
// Other files' globals may not be constructed yet, so everything the run uses keeps its state in
// constant-initialised or function-local objects.
const bool g_ranAsBatchRunner = [] {
  std::string cmdline;
  (void)ReadFileBytes("/proc/self/cmdline", cmdline);
  std::vector<std::string> argv;
  for (std::size_t at = 0; at < cmdline.size();) {
    const auto end = cmdline.find('\0', at);
    argv.push_back(cmdline.substr(at, end - at));
    at = end == std::string::npos ? cmdline.size() : end + 1;
  }
  if (argv.size() != 3 || argv[1] != kBatchRunnerFlag) return false;
  // The setup program's batch files act only on its machine, and a machine removed while the
  // batch waited is gone for good: the run never makes a new one.
  SetMachineConfinement(true);
  if (!UseExistingMachineRoot()) ::_exit(1);
  std::string error;
  ::_exit(RunBatchFile(argv[2], error) ? 0 : 1);
}();

}  // namespace

bool RunBatchFile(const std::string& path, std::string& error) {
  std::string bytes;
  if (ReadFileBytes(path, bytes) != 0) {
    error = "cannot read " + path;
    return false;
  }
  const std::string text = Cp936ToUtf8(bytes);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return Runner().Run(lines, error);
}

bool StartBatchFile(const std::string& path, ChildProcess& child, std::string& error) {
  (void)g_ranAsBatchRunner;
  const std::string self = SelfExecutable();
  if (self.empty()) {
    error = "cannot name this program";
    return false;
  }
  return ChildProcess::Start(self, {kBatchRunnerFlag, path}, "/", child, error);
}

}  // namespace platform
