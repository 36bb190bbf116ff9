// Command lines, the shell's open, and finding, ending and closing running programs.
#include <unistd.h>

#include <filesystem>

#include "platform/MachinePath.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/ShellOpen.h"
#include "platform/WinPath.h"
#include "platform/WindowCaptions.h"
#include "setup/core/GbkText.h"
#include "setup/core/MessagePump.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"

namespace orvane {
namespace {

constexpr std::size_t kMaxWaitedCommandLine = 512;
constexpr int kShellSuccess = 42;
constexpr int kShellFileNotFound = 2;
constexpr int kShellAccessDenied = 5;
constexpr int kShellNoAssociation = 31;

struct Command {
  std::string program;  // host path
  std::vector<std::string> args;
};

// The program of a command line as CreateProcess finds it: a quoted first part, or else the
// shortest blank-separated start of the line that names a program (so an unquoted
// "C:\Program Files\x.exe" is found), then the arguments split by the Windows rules.
std::optional<Command> ParseCommandLine(const std::string& line) {
  std::string error;
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return std::nullopt;
  if (line[start] == '"') {
    const auto close = line.find('"', start + 1);
    const std::string name = line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    const std::string host = platform::ResolveProgram(name, error);
    if (host.empty()) return std::nullopt;
    return Command{host, close == std::string::npos ? std::vector<std::string>()
                                                    : platform::SplitCommandLine(line.substr(close + 1))};
  }
  for (std::size_t end = line.find_first_of(" \t", start);; end = line.find_first_of(" \t", end + 1)) {
    const std::string name = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string host = platform::ResolveProgram(name, error);
    if (!host.empty())
      return Command{
          host, end == std::string::npos ? std::vector<std::string>() : platform::SplitCommandLine(line.substr(end))};
    if (end == std::string::npos) return std::nullopt;
  }
}

bool IsAddress(const std::string& file) { return file.find("://") != std::string::npos; }

// The shell works in the file's folder: the process's current folder moves there and stays.
void EnterFolderOf(const std::string& file) {
  const auto sep = file.find_last_of("\\/");
  if (sep == std::string::npos) return;
  const std::string host = platform::HostPath(file.substr(0, sep + 1));
  std::error_code ec;
  if (std::filesystem::is_directory(host, ec)) std::filesystem::current_path(host, ec);
}

// Starts the shell's open; the shell's code for the result.
int OpenThroughShell(const std::string& file, const std::string& params, platform::ChildProcess& child) {
  if (!IsAddress(file) && platform::CheckMachinePath(file, platform::PathUse::kChange) != 0) {
    LibraryNote("shell open refused, not inside the machine: " + file);
    return kShellAccessDenied;
  }
  EnterFolderOf(file);
  if (!IsAddress(file) && ::access(platform::HostPath(file).c_str(), F_OK) != 0) return kShellFileNotFound;
  std::string error;
  // Programs start only from inside the machine, as the command lines' programs do.
  if (platform::OpensAsProgram(file) && platform::ResolveProgram(file, error).empty()) {
    LibraryNote("shell open refused, the program is not inside the machine: " + file);
    return kShellAccessDenied;
  }
  if (platform::ShellOpenProcess(file, params, child, error)) return kShellSuccess;
  LibraryNote("shell open failed: " + file + " " + error);
  return kShellNoAssociation;
}

}  // namespace

bool TvqLib::RunCommand(const std::string& commandLine, bool /*shown*/) {
  const auto command = ParseCommandLine(commandLine);
  platform::ChildProcess child;
  std::string error;
  if (!command || !platform::ChildProcess::Start(command->program, command->args, "", child, error)) return false;
  child.Detach();
  return true;
}

int TvqLib::RunCommandWait(const std::string& commandLine, bool shown) {
  bool started = false;
  return RunCommandWait(commandLine, shown, started);
}

int TvqLib::RunCommandWait(const std::string& commandLine, bool /*shown*/, bool& started) {
  started = false;
  if (GbkByteCount(commandLine) > kMaxWaitedCommandLine) {
    LibraryNote("command line refused, longer than 512 characters: " + GbkHead(commandLine, 80) + "...");
    return 0;
  }
  const auto command = ParseCommandLine(commandLine);
  platform::ChildProcess child;
  std::string error;
  if (!command || !platform::ChildProcess::Start(command->program, command->args, "", child, error)) return 0;
  started = true;
  return child.Wait();
}

int TvqLib::ShellOpen(const std::string& file, const std::string& params, bool /*shown*/) {
  platform::ChildProcess child;
  const int result = OpenThroughShell(file, params, child);
  child.Detach();
  return result;
}

bool TvqLib::ShellOpenWait(const std::string& file, const std::string& params, bool /*shown*/) {
  platform::ChildProcess child;
  if (OpenThroughShell(file, params, child) <= 32) return false;
  int exitCode = 0;
  while (child.IsStarted() && !child.Finished(exitCode) && !AppTerminating()) PumpWait(100);
  return true;
}

int TvqLib::FindProcess(const std::string& path) { return platform::FindProgramProcess(path); }

bool TvqLib::IsProgramRunning(const std::string& path) { return FindProcess(path) != 0; }

bool TvqLib::WaitProgramRunning(const std::string& path, int tries, int ms) {
  if (IsProgramRunning(path)) return true;
  for (int i = 0; i < tries; ++i) {
    Delay(ms);
    if (IsProgramRunning(path)) return true;
  }
  return false;
}

std::string TvqLib::GetProgramFolder(const std::string& path) {
  const std::string image = platform::ProcessImagePath(FindProcess(path));
  const auto sep = image.find_last_of('\\');
  return sep == std::string::npos ? std::string() : image.substr(0, sep + 1);
}

int TvqLib::KillProgram(const std::string& path) {
  const int pid = FindProcess(path);
  if (pid == 0) return -1;
  return platform::KillProcess(pid) ? 1 : 0;
}

bool TvqLib::CloseWindowByTitle(const std::string& caption) { return platform::CloseWindowByCaption(caption); }

}  // namespace orvane
