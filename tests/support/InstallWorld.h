#pragma once
// A product to install, for the install, change and repair flows: a 64-bit machine with a D:
// drive, the packed setup of a product of three modules (files in shared and own groups,
// shortcuts, exec actions around one file, an uninstaller), and the engine with the headless
// status line and both shortcut flags set, as the wizard hands it over. The clock is the exec
// action world's: its pauses cost no test time but give package threads and started programs
// a real moment.
#include <memory>
#include <string>
#include <vector>

#include "support/ExecActionWorld.h"
#include "support/SetupExeBuilder.h"

namespace orvane {
class TvqApp;
}

namespace vqtest {

// One payload file of the product: where it is packed and where it lands.
struct ProductFile {
  PackedFile packed;
  std::string group;   // group id
  std::string record;  // the file record of the configuration (dst_path, tag_replace, ...)
  std::string target;  // Windows path after placement
  bool forUpgrade;     // tag_updata:1 in a group with group_updata:1
};

class InstallWorld {
 public:
  static constexpr const char* kAppPath = "D:\\Apps\\Tessaly\\";
  static constexpr const char* kUninstaller = "D:\\Apps\\Tessaly\\Uninstall1001.exe";
  static constexpr const char* kUninstallerBytes = "uninstaller program bytes";
  // The product's main program; when it runs, the install offers the upgrade mode.
  static constexpr const char* kMainProgram = "D:\\Apps\\Tessaly\\bin\\TessalySvc.exe";

  InstallWorld();
  ~InstallWorld();
  InstallWorld(const InstallWorld&) = delete;
  InstallWorld& operator=(const InstallWorld&) = delete;

  // Packs the product (its configuration with `mainLines` added to [Main] and `sections`
  // appended; `files` as they stand) and starts a fresh engine. A running engine is ended first.
  void Start(const std::string& mainLines = "", const std::string& sections = "");
  // Sets a module's `setup` in the engine's module list, as the wizard's item page does.
  void Select(const std::string& moduleKey, bool setup);

  [[nodiscard]] orvane::TvqApp& app() { return *world.app; }
  // The standard product's files, changeable before Start.
  std::vector<ProductFile> files;
  ExecActionWorld world;

  // Host-side views of a Windows path of the machine.
  [[nodiscard]] static bool Exists(const std::string& windowsPath);
  [[nodiscard]] static std::string Read(const std::string& windowsPath);
  static void Write(const std::string& windowsPath, const std::string& bytes);
  // Last-write time in seconds since 1970 (UTC), -1 when the file is missing.
  [[nodiscard]] static double WriteTime(const std::string& windowsPath);
  static void SetWriteTime(const std::string& windowsPath, double seconds);
  // Local wall-clock text "yyyy-mm-dd hh:nn:ss" as seconds since 1970 (UTC).
  [[nodiscard]] static double LocalSeconds(const std::string& text);
  // The file of `target`, or nullptr.
  [[nodiscard]] const ProductFile* File(const std::string& target) const;

 private:
  [[nodiscard]] std::string Config(const std::string& mainLines, const std::string& sections) const;
};

}  // namespace vqtest
