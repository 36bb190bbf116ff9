#pragma once
// The product of the setup end-to-end test: a configuration with four modules (one deselected),
// shared and upgradable file groups, shortcuts, exec actions of every type at every step and
// configuration items of every kind, packed with its payload (stand-in programs, the stand-in
// component, a small font, text files) and its uninstaller. Installs into D:\Tessaly\.
#include <set>
#include <string>
#include <vector>

#include "support/SetupExeBuilder.h"

namespace vqtest {

struct EndToEndProduct {
  static constexpr const char* kAppPath = "D:\\Tessaly\\";
  static constexpr const char* kUninstaller = "D:\\Tessaly\\Uninstall1001.exe";
  static constexpr const char* kMirror = "D:\\Tessaly\\Uninstall1001.dat";
  static constexpr const char* kUninstallKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F}";
  // A program of the machine that the command-line actions run.
  static constexpr const char* kTool = "D:\\Tools\\Tool.exe";
  // Every packed file's time; it has odd seconds, so placed files keep 09:30:06.
  static constexpr const char* kFileTime = "2020-07-17 09:30:07";
  static constexpr const char* kPlacedTime = "2020-07-17 09:30:06";
  // The key text of the encrypted configuration item.
  static constexpr const char* kSecretKey = "0123456789abcdef";

  enum class Kind { Text, Program, Component, Font };
  struct File {
    std::string group;
    std::string path;  // below the install folder, e.g. "bin\Core.dll"; also the package entry
    std::string fields;
    Kind kind;
  };
  // Every file of the configuration, in section order.
  [[nodiscard]] static const std::vector<File>& Files();
  // The bytes packed for `file` in the setup of `version` ("v1", "v2", ...).
  [[nodiscard]] static std::string Bytes(const File& file, const std::string& version);
};

// The installer of one version, with its uninstaller packed inside; files whose paths are in
// `unmapped` have no map line.
class EndToEndSetup {
 public:
  explicit EndToEndSetup(const std::string& version, const std::set<std::string>& unmapped = {});
  EndToEndSetup(const EndToEndSetup&) = delete;
  EndToEndSetup& operator=(const EndToEndSetup&) = delete;

  [[nodiscard]] const SetupExeBuilder& Installer() const { return installer_; }

 private:
  SetupExeBuilder uninstaller_;  // the installer packs it on Build
  SetupExeBuilder installer_;
};

}  // namespace vqtest
