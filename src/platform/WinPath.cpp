#include "platform/WinPath.h"

#include <cctype>
#include <filesystem>
#include <vector>

#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SplitComponents(std::string_view rest) {
  std::vector<std::string> parts;
  std::string cur;
  auto flush = [&] {
    if (cur == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!cur.empty() && cur != ".") {
      parts.push_back(cur);
    }
    cur.clear();
  };
  for (char c : rest) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      cur += c;
    }
  }
  flush();
  return parts;
}

// The on-disk spelling of `name` inside `dir`, when one entry matches without case.
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir + "/" + name, ec)) return name;
  std::optional<std::string> best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    // Several spellings can exist side by side here; take the lowest for a stable answer.
    if (SameText(entry, name) && (!best || entry < *best)) best = entry;
  }
  return best;
}

std::string CanonicalOrSelf(const std::string& p) {
  std::error_code ec;
  const fs::path c = fs::weakly_canonical(p, ec);
  return ec ? p : c.string();
}

}  // namespace

bool IsDrivePath(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

std::string HostPath(std::string_view path) {
  // "X:name" is drive-relative; each drive's current folder is its root here, never the host's.
  const bool driveRelative = path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
  if (!IsDrivePath(path) && !driveRelative) return std::string(path);
  std::string out = MachineRoot() + "/drive_" + static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
  bool resolving = true;
  for (const std::string& part : SplitComponents(path.substr(2))) {
    if (resolving) {
      if (const auto found = FindEntry(out, part)) {
        out += "/" + *found;
        continue;
      }
      resolving = false;
    }
    out += "/" + part;
  }
  return out;
}

std::optional<std::string> WindowsPathOf(std::string_view hostPath) {
  const std::string root = CanonicalOrSelf(MachineRoot()) + "/drive_";
  const std::string host = CanonicalOrSelf(std::string(hostPath));
  if (host.size() < root.size() + 1 || host.compare(0, root.size(), root) != 0) return std::nullopt;
  const char letter = host[root.size()];
  const std::string rest = host.substr(root.size() + 1);
  if (!std::islower(static_cast<unsigned char>(letter)) || (!rest.empty() && rest[0] != '/')) return std::nullopt;
  std::string win(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  win += ":\\";
  for (std::size_t i = rest.empty() ? 0 : 1; i < rest.size(); ++i) win += rest[i] == '/' ? '\\' : rest[i];
  return win;
}

}  // namespace platform
