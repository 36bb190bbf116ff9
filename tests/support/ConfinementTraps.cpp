#include "support/ConfinementTraps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "platform/MachinePath.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/WinPath.h"
#include "support/WaitUntil.h"

namespace vqtest {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSystemFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
// Enough "../" to climb from any folder of a machine root to "/".
constexpr int kClimb = 40;
// Names a create road is handed: missing in the decoy, so only a road that went out makes them.
const char* const kFreshNames[] = {"fresh.txt", "Tessaly.log"};
// Decoy programs; a hard link to one of them is a machine file that may run.
const char* const kDecoyPrograms[] = {"tool.exe", "touch"};
const char* const kNamesakes[] = {"touch", "notepad.exe", "xdg-open", "tool.exe", "cmd.exe", "sh.exe"};

std::string MarkingScript(const std::string& marks, const std::string& mark) {
  return "#!/bin/sh\necho \"$0 $*\" >> '" + marks + "/" + mark + "'\n";
}

void WriteMode(const std::string& path, const std::string& bytes, mode_t mode) {
  WriteFileBytes(path, bytes);
  ::chmod(path.c_str(), mode);
}

std::string Repeat(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void Link(const std::string& windowsPath, const std::string& target) {
  const std::string host = platform::HostPath(windowsPath);
  fs::create_directories(fs::path(host).parent_path());
  fs::create_symlink(target, host);
}

void Describe(std::ostringstream& out, const std::string& path, const std::string& shown) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return;
  out << shown << " mode=" << std::oct << st.st_mode << std::dec << " mtime=" << st.st_mtim.tv_sec << "."
      << st.st_mtim.tv_nsec << " size=" << st.st_size;
  if (S_ISLNK(st.st_mode)) {
    out << " -> " << fs::read_symlink(path).string() << "\n";
  } else if (S_ISREG(st.st_mode)) {
    out << " bytes=" << testing::PrintToString(ReadFileBytes(path)) << "\n";
  } else {
    out << "\n";
    if (!S_ISDIR(st.st_mode)) return;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) Describe(out, path + "/" + n, shown + "/" + n);
  }
}

// The processes, other than this one, that the machine at `root` started.
std::vector<int> MachineProcesses(const std::string& root) {
  const std::string wanted = std::string(1, '\0') + "VQ_MACHINE_ROOT=" + root + '\0';
  std::vector<int> found;
  for (const int pid : platform::ProcessIds()) {
    if (pid == ::getpid()) continue;
    const std::string env = std::string(1, '\0') + ReadFileBytes("/proc/" + std::to_string(pid) + "/environ");
    if (env.find(wanted) != std::string::npos) found.push_back(pid);
  }
  return found;
}

// Whether the host path lies outside the machine root once every link is followed.
bool LiesOutside(const std::string& hostPath) {
  std::error_code ec;
  const std::string root = fs::weakly_canonical(platform::MachineRoot(), ec).string() + "/";
  const std::string real = fs::weakly_canonical(fs::absolute(hostPath, ec), ec).string();
  return (real + "/").compare(0, root.size(), root) != 0;
}

std::string RecorderFile() { return platform::MachineRoot() + "/opened.txt"; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines of `from` that `to` lacks, each after `mark`.
std::string Missing(const std::string& from, const std::string& to, const std::string& mark) {
  const std::vector<std::string> kept = Lines(to);
  std::string missing;
  for (const std::string& line : Lines(from))
    if (std::find(kept.begin(), kept.end(), line) == kept.end()) missing += mark + line + "\n";
  return missing;
}

// The first word of a desktop entry's Exec value, its quotes taken off.
std::string ExecProgram(const std::string& value) {
  if (value.empty() || value[0] != '"') return value.substr(0, value.find(' '));
  std::string program;
  for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    program += value[i];
  }
  return program;
}

}  // namespace

OutsideWorld::OutsideWorld()
    : decoy_(base_.file("decoy")), namesakes_(base_.file("path")), marks_(base_.file("marks")) {
  fs::create_directories(marks_);
  WriteMode(decoy_ + "/victim.txt", "decoy victim\n", 0644);
  WriteMode(decoy_ + "/locked.txt", "decoy locked\n", 0444);
  WriteMode(decoy_ + "/victim.log", "[2020-01-01 00:00:00]  old entry\r\n\r\n", 0644);
  WriteMode(decoy_ + "/victim.lnk", "[Desktop Entry]\nType=Link\nName=victim\nURL=https://decoy.test/\n", 0644);
  WriteMode(decoy_ + "/doc.txt", "decoy document\n", 0644);
  for (const char* program : kDecoyPrograms)
    WriteMode(decoy_ + "/" + program, MarkingScript(marks_, std::string("decoy-") + program), 0755);
  WriteMode(decoy_ + "/sub/inner.txt", "decoy inner\n", 0644);
  WriteMode(decoy_ + "/sub/deeper/leaf.txt", "decoy leaf\n", 0600);
  fs::create_symlink(kSystemFont, decoy_ + "/font.ttf");
  for (const char* name : kNamesakes) WriteMode(namesakes_ + "/" + name, MarkingScript(marks_, name), 0755);
  const char* path = std::getenv("PATH");
  savedPath_ = path != nullptr ? path : "";
  setenv("PATH", (namesakes_ + ":" + savedPath_).c_str(), 1);
  savedCwd_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

OutsideWorld::~OutsideWorld() {
  if (savedCwd_ >= 0) {
    (void)::fchdir(savedCwd_);
    ::close(savedCwd_);
  }
  setenv("PATH", savedPath_.c_str(), 1);
}

std::string OutsideWorld::Fingerprint() const {
  std::ostringstream out;
  Describe(out, decoy_, "decoy");
  return out.str();
}

testing::AssertionResult OutsideWorld::Untouched(const std::string& before, const std::string& machineRoot) const {
  if (!machineRoot.empty() && !WaitUntil([&] { return MachineProcesses(machineRoot).empty(); }, 30000))
    return testing::AssertionFailure() << "programs of the machine still run";
  std::string failures;
  const std::string after = Fingerprint();
  if (after != before) failures += "the decoy changed:\n" + Missing(before, after, "- ") + Missing(after, before, "+ ");
  for (const auto& e : fs::directory_iterator(marks_))
    failures += "a host program ran (" + e.path().filename().string() + "): " + ReadFileBytes(e.path().string());
  for (const int pid : platform::ProcessIds()) {
    const std::string cmdline = ReadFileBytes("/proc/" + std::to_string(pid) + "/cmdline");
    if (pid != ::getpid() && cmdline.find(base_.path()) != std::string::npos)
      failures += "a host program runs: " + cmdline + "\n";
  }
  if (failures.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << failures;
}

ScopedConfinement::ScopedConfinement(bool on) : was_(platform::MachineConfinement()) {
  platform::SetMachineConfinement(on);
}

ScopedConfinement::~ScopedConfinement() { platform::SetMachineConfinement(was_); }

const std::vector<Trap>& AllTraps() {
  static const std::vector<Trap> traps = {Trap::OutFolderLink, Trap::OutEntryLinks, Trap::LinkChain,
                                          Trap::OwnFolderLink, Trap::HardLinks,     Trap::HostPath,
                                          Trap::AboveDrive,    Trap::DeepRelative,  Trap::BareName};
  return traps;
}

bool IsDriveTrap(Trap trap) {
  return trap != Trap::HostPath && trap != Trap::DeepRelative && trap != Trap::BareName;
}

std::string TrapName(Trap trap) {
  switch (trap) {
    case Trap::OutFolderLink: return "LinkToOutsideFolder";
    case Trap::OutEntryLinks: return "LinkToOutsideFile";
    case Trap::LinkChain: return "ChainOfLinks";
    case Trap::OwnFolderLink: return "LinkToOwnFolder";
    case Trap::HardLinks: return "HardLinkToOutsideFile";
    case Trap::HostPath: return "HostPath";
    case Trap::AboveDrive: return "DotDotAboveDrive";
    case Trap::DeepRelative: return "DeepRelativeName";
    case Trap::BareName: return "BareNameWithHostNamesake";
  }
  return "Unknown";
}

TrapPaths PlantTrap(Trap trap, const OutsideWorld& outside, MachineRootFixture& machine) {
  const std::string& decoy = outside.decoy();
  TrapPaths paths;
  switch (trap) {
    case Trap::OutFolderLink:
      Link("C:\\Trap\\out", decoy);
      paths.dir = "C:\\Trap\\out\\";
      break;
    case Trap::OutEntryLinks:
      for (const auto& e : fs::directory_iterator(decoy))
        Link("C:\\Trap\\" + e.path().filename().string(), e.path().string());
      for (const char* fresh : kFreshNames) Link(std::string("C:\\Trap\\") + fresh, decoy + "/" + fresh);
      paths.dir = "C:\\Trap\\";
      break;
    case Trap::LinkChain:
      Link("C:\\Trap\\a", "b");
      Link("C:\\Trap\\b", "../Hop/c");
      Link("C:\\Hop\\c", Repeat("../", kClimb) + decoy.substr(1));
      paths.dir = "C:\\Trap\\a\\";
      break;
    case Trap::OwnFolderLink:
      Link("C:\\Trap\\loop", ".");
      Link("C:\\Trap\\out", decoy);
      paths.dir = "C:\\Trap\\loop\\loop\\loop\\out\\";
      break;
    case Trap::HardLinks:
      fs::create_directories(platform::HostPath("C:\\Trap"));
      for (const auto& e : fs::directory_iterator(decoy)) {
        const std::string name = e.path().filename().string();
        if (std::find(std::begin(kDecoyPrograms), std::end(kDecoyPrograms), name) != std::end(kDecoyPrograms))
          continue;
        if (fs::is_regular_file(e.symlink_status())) fs::create_hard_link(e.path(), platform::HostPath("C:\\Trap\\" + name));
      }
      paths.dir = "C:\\Trap\\";
      break;
    case Trap::HostPath:
      paths.dir = decoy + "/";
      break;
    case Trap::AboveDrive:
      paths.dir = "C:\\" + Repeat("..\\", kClimb) + Backslashed(decoy.substr(1)) + "\\";
      break;
    case Trap::DeepRelative: {
      const std::string deep = platform::HostPath("C:\\Deep\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12");
      fs::create_directories(deep);
      fs::current_path(deep);
      paths.dir = Repeat("../", kClimb) + decoy.substr(1) + "/";
      break;
    }
    case Trap::BareName:
      machine.SetProgramHostFile(decoy + "/Setup.exe");
      fs::current_path(decoy);
      break;
  }
  paths.program = trap == Trap::BareName ? "touch" : paths.Name("tool.exe");
  return paths;
}

void LinkInPlaceOf(const std::string& windowsPath, const std::string& hostTarget) {
  fs::remove_all(platform::HostPath(windowsPath));
  Link(windowsPath, hostTarget);
}

void RecordShellOpens() {
  ASSERT_TRUE(platform::WritePrivateProfileString("Shell", "Recorder", RecorderFile(),
                                                  platform::MachineRoot() + "/machine.ini"));
}

std::vector<std::string> OpenedOutside() {
  std::vector<std::string> outside;
  for (const std::string& line : Lines(ReadFileBytes(RecorderFile()))) {
    const std::string target = line.substr(0, line.find('\t'));
    constexpr std::string_view kFileScheme = "file://";
    const bool fileAddress = target.rfind(kFileScheme, 0) == 0;
    const std::string path = fileAddress ? target.substr(kFileScheme.size()) : target;
    const bool address = !fileAddress && (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0);
    if (!address && LiesOutside(platform::HostPath(path))) outside.push_back(target);
  }
  return outside;
}

std::vector<std::string> ShortcutsLeadingOutside(const std::string& windowsFolder) {
  std::vector<std::string> leading;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(platform::HostPath(windowsFolder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().extension() != ".lnk" || !it->is_regular_file()) continue;
    for (const std::string& line : Lines(ReadFileBytes(it->path().string()))) {
      const auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const std::string value = key == "Exec" ? ExecProgram(line.substr(eq + 1)) : line.substr(eq + 1);
      if ((key == "Exec" || key == "Path") && !value.empty() && value[0] == '/' &&
          LiesOutside(value))
        leading.push_back(it->path().string() + ": " + line);
    }
  }
  return leading;
}

}  // namespace vqtest
