#include "setup/core/FileTargets.h"

#include <cctype>
#include <cmath>

#include "setup/core/SafeFileName.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

constexpr int kExistTries = 3;
constexpr int kExistTryMs = 30;

long long WholeSeconds(TDateTime t) { return std::llround(t * 86400.0); }

}  // namespace

std::string FolderWithBackslash(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

bool IsSafeTarget(std::string_view folder, std::string_view name) {
  if (folder.size() < 3 || !std::isalpha(static_cast<unsigned char>(folder[0])) || folder[1] != ':' ||
      folder[2] != '\\')
    return false;
  if (!SafeFileName(name)) return false;
  // Both separators count: the host layer splits a drive path at "/" as well.
  std::size_t start = 3;
  while (start < folder.size()) {
    const std::size_t end = folder.find_first_of("\\/", start);
    const std::string_view part = folder.substr(start, end == std::string_view::npos ? end : end - start);
    if (!part.empty() && !SafeFileName(part)) return false;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

bool MayWriteTarget(const std::string& target, std::string_view rule, TDateTime fileTime) {
  if (!TvqLib::WaitFileExists(target, kExistTries, kExistTryMs)) return true;
  if (rule == "1") return true;
  if (rule == "2") return WholeSeconds(fileTime) > WholeSeconds(TvqLib::GetFileTimeOf(target, 2));
  return false;
}

}  // namespace orvane
