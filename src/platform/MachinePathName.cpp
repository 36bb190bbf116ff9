#include "platform/MachinePathName.h"

#include <atomic>
#include <cctype>
#include <cstdio>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

constexpr std::size_t kMaxPath = 260;

std::atomic<bool> g_confined{false};

std::function<void(const std::string&)>& RefusalLog() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

bool IsDeviceName(std::string_view part) {
  const std::string stem = AsciiUpper(part.substr(0, part.find('.')));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

bool IsRefusedName(std::string_view part) {
  for (const char c : part) {
    if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos) return true;
  }
  return part.back() == '.' || part.back() == ' ' || IsDeviceName(part);
}

// Splits on both separators; "." goes, ".." takes the previous component. False when ".."
// would climb above the first component.
bool Normalize(std::string_view rest, std::vector<std::string>& parts) {
  std::size_t start = 0;
  while (start <= rest.size()) {
    const auto end = std::min(rest.find_first_of("\\/", start), rest.size());
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  return true;
}

long Refuse(std::string_view path, long code, const char* why) {
  const std::string line = "path refused, " + std::string(why) + ": " + std::string(path);
  // The sink may write a log file through the gate; a refusal there goes to stderr.
  thread_local bool inSink = false;
  if (RefusalLog() && !inSink) {
    inSink = true;
    RefusalLog()(line);
    inSink = false;
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  return code;
}

long ParseDrivePath(std::string_view path, MachinePathName& out) {
  if (path.size() > kMaxPath) return kErrorFilenameTooLong;
  const std::string root = MachineRoot();
  if (root.empty()) return kErrorPathNotFound;
  out.kind = MachinePathName::Kind::kBeneath;
  out.base = root + "/drive_" + static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
  out.matchCase = true;
  if (!Normalize(path.substr(2), out.parts)) return Refuse(path, kErrorPathNotFound, "climbs above its drive");
  for (const std::string& part : out.parts) {
    if (IsRefusedName(part)) return kErrorInvalidName;
  }
  out.host = out.base;
  for (const std::string& part : out.parts) out.host += "/" + part;
  return kErrorSuccess;
}

// A '/'-path inside the machine root: the machine's own state, or a drive folder named by host.
bool ParseRootHostPath(std::string_view path, MachinePathName& out) {
  const std::string root = MachineRootPath();
  if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
      path[root.size()] != '/')
    return false;
  std::vector<std::string> parts;
  if (!Normalize(path.substr(root.size() + 1), parts) || parts.empty()) return false;
  out.kind = MachinePathName::Kind::kBeneath;
  out.base = root;
  out.parts = std::move(parts);
  out.matchCase = false;
  out.host = std::string(path);
  return true;
}

}  // namespace

void SetMachineConfinement(bool on) { g_confined = on; }

void SetPathRefusalLog(std::function<void(const std::string& line)> sink) { RefusalLog() = std::move(sink); }

bool MachineConfinement() { return g_confined; }

long ParseMachinePath(std::string_view path, PathUse use, MachinePathName& out) {
  out = MachinePathName();
  if (path.empty()) return kErrorPathNotFound;
  const bool driveRelative = path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                             path[2] != '\\' && path[2] != '/';
  if (IsDrivePath(path) || driveRelative) return ParseDrivePath(path, out);
  if (ParseRootHostPath(path, out)) return kErrorSuccess;
  if (g_confined && use == PathUse::kChange) return Refuse(path, kErrorPathNotFound, "not a path of the machine");
  out.kind = MachinePathName::Kind::kHost;
  out.host = std::string(path);
  return kErrorSuccess;
}

long CheckMachinePath(std::string_view path, PathUse use) {
  MachinePathName name;
  return ParseMachinePath(path, use, name);
}

}  // namespace platform
