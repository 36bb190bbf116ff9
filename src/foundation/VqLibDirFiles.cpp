// TvqLib::GetDirFiles: a folder walk with the Windows wildcard rules.
#include <algorithm>
#include <filesystem>

#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace tessaly::TvqLib {
namespace {

namespace fs = std::filesystem;

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool Match(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// Windows sees a name without a dot as ending in one, so "*.*" and "*." match "README".
bool MatchesPattern(const std::u16string& pattern, const std::string& name) {
  const std::u16string n = platform::Utf8ToUtf16(name);
  if (Match(pattern, n)) return true;
  return n.find(u'.') == std::u16string::npos && Match(pattern, n + u".");
}

void Walk(const std::string& aPath, std::vector<std::string>& aFileList, const std::u16string& pattern,
          bool aScanSubDir) {
  const bool windows = platform::IsDrivePath(aPath) || aPath.find('\\') != std::string::npos;
  std::string base = aPath;
  if (base.back() != '\\' && base.back() != '/') base += windows ? '\\' : '/';

  std::vector<std::pair<std::string, bool>> entries;  // name, is folder
  std::error_code ec;
  for (fs::directory_iterator it(platform::HostPath(aPath), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    entries.emplace_back(it->path().filename().string(), it->is_directory(typeEc));
  }
  // The order of an NTFS folder: by name, without case.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return platform::AsciiLower(a.first) < platform::AsciiLower(b.first);
  });
  // The folder's own files come first, then the sub-folders the pattern matched.
  for (const auto& [name, isFolder] : entries) {
    if (!isFolder && MatchesPattern(pattern, name) && name.find("thumbs.db") == std::string::npos)
      aFileList.push_back(base + name);
  }
  if (!aScanSubDir) return;
  for (const auto& [name, isFolder] : entries) {
    if (isFolder && MatchesPattern(pattern, name)) Walk(base + name, aFileList, pattern, true);
  }
}

}  // namespace

int GetDirFiles(const std::string& aPath, std::vector<std::string>& aFileList, const std::string& aFileExt,
                bool aScanSubDir) {
  if (aPath.empty()) return -1;
  std::error_code ec;
  if (!fs::is_directory(platform::HostPath(aPath), ec)) return -1;
  Walk(aPath, aFileList, platform::Utf8ToUtf16(aFileExt.empty() ? "*.*" : aFileExt), aScanSubDir);
  return 0;
}

}  // namespace tessaly::TvqLib
