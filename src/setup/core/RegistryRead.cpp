#include "setup/core/RegistryRead.h"

namespace orvane {

std::string ReadRegString(platform::RegRoot root, const std::string& path, const std::string& name,
                          platform::RegView view, bool* opened) {
  platform::RegKey key;
  std::string value;
  const bool open = platform::RegKey::Open(root, path, platform::RegAccess::Read, view, key) == 0;
  if (opened != nullptr) *opened = open;
  if (open && key.ReadString(name, value) != 0) value.clear();
  return value;
}

}  // namespace orvane
