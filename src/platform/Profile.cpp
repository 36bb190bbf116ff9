#include "platform/Profile.h"

#include <mutex>
#include <optional>

#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::mutex g_lock;  // serialises every profile call of the process

// One file as lines of bytes, each with its own line end, plus how its text is encoded.
struct ProfileText {
  bool exists = false;
  std::string bom;
  bool cp936 = false;
  std::vector<std::string> lines;
  std::string eol = "\r\n";

  [[nodiscard]] std::string Decode(std::string_view raw) const {
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) raw.remove_suffix(1);
    return cp936 ? Cp936ToUtf8(raw) : std::string(raw);
  }
  [[nodiscard]] std::string Encode(const std::string& text) const {
    return (cp936 ? Utf8ToCp936(text) : text) + eol;
  }
};

struct Line {
  enum class Kind { Other, Section, Key } kind = Kind::Other;
  std::string name;
  std::string value;
};

// A bare name lies in the Windows folder; the file functions resolve the rest.
std::string ResolvePath(const std::string& file) {
  return file.find_first_of("\\/:") == std::string::npos ? WindowsFolder() + "\\" + file : file;
}

ProfileText Load(const std::string& path, ProfileCodePage cp) {
  ProfileText t;
  t.cp936 = cp == ProfileCodePage::Ansi;
  std::string bytes;
  if (ReadFileBytes(path, bytes) != 0) return t;
  t.exists = true;
  if (cp == ProfileCodePage::Ansi) {
    t.cp936 = true;
  } else {
    if (bytes.compare(0, kBom.size(), kBom) == 0) {
      t.bom = std::string(kBom);
      bytes.erase(0, kBom.size());
    }
    t.cp936 = !IsValidUtf8(bytes);
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t nl = bytes.find('\n', start);
    const std::size_t end = nl == std::string::npos ? bytes.size() : nl + 1;
    t.lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  for (const std::string& l : t.lines) {
    if (l.back() == '\n') {
      t.eol = (l.size() >= 2 && l[l.size() - 2] == '\r') ? "\r\n" : "\n";
      break;
    }
  }
  return t;
}

Line Parse(const std::string& text) {
  Line line;
  const std::string trimmed = TrimBlanks(text);
  if (!trimmed.empty() && trimmed[0] == '[') {
    line.kind = Line::Kind::Section;
    const std::size_t close = trimmed.find(']');
    line.name = TrimBlanks(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return line;
  }
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string::npos) return line;
  line.kind = Line::Kind::Key;
  line.name = TrimBlanks(trimmed.substr(0, eq));
  line.value = TrimBlanks(trimmed.substr(eq + 1));
  return line;
}

// Index of the first header of `section`, if any.
std::optional<std::size_t> FindSection(const ProfileText& t, std::string_view section) {
  for (std::size_t i = 0; i < t.lines.size(); ++i) {
    const Line l = Parse(t.Decode(t.lines[i]));
    if (l.kind == Line::Kind::Section && SameText(l.name, section)) return i;
  }
  return std::nullopt;
}

// Calls visit(index, line) for each line of the section whose header is at `header`.
template <class Visit>
void ForEachInSection(const ProfileText& t, std::size_t header, Visit visit) {
  for (std::size_t i = header + 1; i < t.lines.size(); ++i) {
    const Line l = Parse(t.Decode(t.lines[i]));
    if (l.kind == Line::Kind::Section) return;
    if (!visit(i, l)) return;
  }
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

void EnsureLineEnd(ProfileText& t, std::size_t index) {
  if (t.lines[index].back() != '\n') t.lines[index] += t.eol;
}

bool Store(const std::string& path, const ProfileText& t) {
  std::string bytes = t.bom;
  for (const std::string& l : t.lines) bytes += l;
  return ReplaceFileContents(path, bytes) == kErrorSuccess;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file, ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const ProfileText t = Load(ResolvePath(file), cp);
  const auto header = FindSection(t, section);
  std::string result(def);
  if (!header) return result;
  ForEachInSection(t, *header, [&](std::size_t, const Line& l) {
    if (l.kind != Line::Kind::Key || !SameText(l.name, key)) return true;
    result = Unquote(l.value);
    return false;
  });
  return result;
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::string& file,
                                               ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const ProfileText t = Load(ResolvePath(file), cp);
  std::vector<std::string> keys;
  if (const auto header = FindSection(t, section)) {
    ForEachInSection(t, *header, [&](std::size_t, const Line& l) {
      if (l.kind == Line::Kind::Key) keys.push_back(l.name);
      return true;
    });
  }
  return keys;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file, ProfileCodePage cp) {
  for (const std::string_view part : {section, key, value})
    if (part.find_first_of("\r\n") != std::string_view::npos) return false;
  std::lock_guard<std::mutex> g(g_lock);
  const std::string path = ResolvePath(file);
  ProfileText t = Load(path, cp);
  const std::string keyLine = std::string(key) + "=" + std::string(value);
  const auto header = FindSection(t, section);
  if (!header) {
    if (!t.lines.empty()) EnsureLineEnd(t, t.lines.size() - 1);
    t.lines.push_back(t.Encode("[" + std::string(section) + "]"));
    t.lines.push_back(t.Encode(keyLine));
  } else {
    std::optional<std::size_t> match;
    std::size_t lastFilled = *header;
    ForEachInSection(t, *header, [&](std::size_t i, const Line& l) {
      if (l.kind == Line::Kind::Key && SameText(l.name, key)) {
        match = i;
        return false;
      }
      if (!TrimBlanks(t.Decode(t.lines[i])).empty()) lastFilled = i;
      return true;
    });
    if (match) {
      const std::string& old = t.lines[*match];
      const std::size_t body = old.find_last_not_of("\r\n");
      const std::string oldEnd = body == std::string::npos ? old : old.substr(body + 1);
      std::string replaced = t.Encode(keyLine);
      replaced.resize(replaced.size() - t.eol.size());
      t.lines[*match] = replaced + oldEnd;
    } else {
      EnsureLineEnd(t, lastFilled);
      t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), t.Encode(keyLine));
    }
  }
  return Store(path, t);
}

std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(std::string_view section,
                                                                          const std::string& file,
                                                                          ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const ProfileText t = Load(ResolvePath(file), cp);
  std::vector<std::pair<std::string, std::string>> lines;
  if (const auto header = FindSection(t, section)) {
    ForEachInSection(t, *header, [&](std::size_t, const Line& l) {
      if (l.kind == Line::Kind::Key) lines.emplace_back(l.name, Unquote(l.value));
      return true;
    });
  }
  return lines;
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file, ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const ProfileText t = Load(ResolvePath(file), cp);
  std::vector<std::string> names;
  for (const std::string& raw : t.lines) {
    const Line l = Parse(t.Decode(raw));
    if (l.kind == Line::Kind::Section) names.push_back(l.name);
  }
  return names;
}

bool DeletePrivateProfileKey(std::string_view section, std::string_view key, const std::string& file,
                             ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const std::string path = ResolvePath(file);
  ProfileText t = Load(path, cp);
  const auto header = FindSection(t, section);
  if (!header) return true;
  std::optional<std::size_t> match;
  ForEachInSection(t, *header, [&](std::size_t i, const Line& l) {
    if (l.kind != Line::Kind::Key || !SameText(l.name, key)) return true;
    match = i;
    return false;
  });
  if (!match) return true;
  t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(*match));
  return Store(path, t);
}

bool DeletePrivateProfileSection(std::string_view section, const std::string& file, ProfileCodePage cp) {
  std::lock_guard<std::mutex> g(g_lock);
  const std::string path = ResolvePath(file);
  ProfileText t = Load(path, cp);
  const auto header = FindSection(t, section);
  if (!header) return true;
  std::size_t end = *header + 1;
  ForEachInSection(t, *header, [&](std::size_t i, const Line&) {
    end = i + 1;
    return true;
  });
  t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(*header),
                t.lines.begin() + static_cast<std::ptrdiff_t>(end));
  return Store(path, t);
}

}  // namespace platform
