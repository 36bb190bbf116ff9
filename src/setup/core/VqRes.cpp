#include "setup/core/VqRes.h"

#include "platform/Drives.h"
#include "platform/ExeResources.h"
#include "platform/FileOps.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/WinErrorText.h"

namespace orvane {

bool TvqRes::GetRCData(const std::string& name, std::string& bytes, std::string& error) {
  const auto self = platform::ResourceFile::Self(error);
  if (!self) return false;
  if (!self->Has(name)) {
    error = "未找到资源" + name;
    return false;
  }
  return self->Read(name, bytes, error);
}

bool TvqRes::GetRCDataToFile(const std::string& name, const std::string& file, std::string& error) {
  std::string bytes;
  if (!GetRCData(name, bytes, error)) return false;
  const std::string folder = FolderOf(file);
  if (!folder.empty()) {
    const long rc = platform::CreateFolderTree(folder);
    if (rc != 0) {
      error = WinErrorText(rc);
      return false;
    }
  }
  const long rc = platform::WriteFileBytes(file, bytes, false);
  if (rc != 0) {
    error = WinErrorText(rc);
    return false;
  }
  return true;
}

}  // namespace orvane
