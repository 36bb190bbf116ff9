#include "setup/core/RegistryRead.h"

#include "platform/TextCodec.h"

namespace orvane {

std::optional<platform::RegRoot> RegRootByName(const std::string& name) {
  using platform::RegRoot;
  if (platform::SameText(name, "HKEY_CLASSES_ROOT")) return RegRoot::ClassesRoot;
  if (platform::SameText(name, "HKEY_CURRENT_USER")) return RegRoot::CurrentUser;
  if (platform::SameText(name, "HKEY_USERS")) return RegRoot::Users;
  if (platform::SameText(name, "HKEY_CURRENT_CONFIG")) return RegRoot::CurrentConfig;
  if (platform::SameText(name, "HKEY_PERFORMANCE_DATA") || platform::SameText(name, "HKEY_DYN_DATA"))
    return std::nullopt;
  return RegRoot::LocalMachine;
}

std::string ReadRegString(platform::RegRoot root, const std::string& path, const std::string& name,
                          platform::RegView view, bool* opened) {
  platform::RegKey key;
  std::string value;
  const bool open = platform::RegKey::Open(root, path, platform::RegAccess::Read, view, key) == 0;
  if (opened != nullptr) *opened = open;
  if (open && key.ReadString(name, value) != 0) value.clear();
  return value;
}

std::string ReadNamedRegValue(const std::string& rootName, const std::string& path, const std::string& name,
                              platform::RegView view) {
  const auto root = RegRootByName(rootName);
  if (!root) return std::string();
  std::string value = ReadRegString(*root, path, name, view);
  if (value.empty() && platform::SameText(rootName, "HKEY_LOCAL_MACHINE"))
    value = ReadRegString(platform::RegRoot::CurrentUser, path, name, view);
  return value;
}

}  // namespace orvane
