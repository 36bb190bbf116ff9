#pragma once
// Builds setup executables for tests the way the build packs the real one: a stand-in program
// file with the packer (tools/vqpack) appending the configuration (GBK), the payload and
// app-files zips (GBK entry names, entry times as given, odd seconds included) with their maps,
// pictures, a text-table override and, when asked, an uninstaller built the same way and packed
// inside the payload. In-process tests point the program's own resources at the result
// (platform::SetSelfResourcesForTests).
#include <string>
#include <utility>
#include <vector>

namespace vqtest {

// One packed file. `sourcePath` is the path the configuration names it by; `entry` its path
// under the package's top folder ("bin\app.exe"); `lastWriteTime` the map's and the entry's time
// ("yyyy-mm-dd hh:nn:ss", local). A file with `inMap` false is packed but has no map line; one
// with `inArchive` false has a map line only. `stored` packs it without compression;
// `damagedCrc` writes a wrong checksum for it (in both of its headers, so the archive stays
// consistent and only reading the data shows the damage).
struct PackedFile {
  std::string sourcePath;
  std::string entry;
  std::string bytes;
  std::string lastWriteTime = "2020-07-17 09:30:07";
  bool inMap = true;
  bool inArchive = true;
  bool stored = false;
  bool damagedCrc = false;
  // How the archive spells the entry's name: GBK bytes without a flag, UTF-8 flagged by the
  // general purpose bit 11, UTF-8 named by a Unicode path extra field (0x7075), or UTF-8 bytes
  // without any flag.
  enum class NameForm { Gbk, Utf8Flagged, Utf8UnicodePathField, Utf8Unflagged };
  NameForm nameForm = NameForm::Gbk;
};

class SetupExeBuilder {
 public:
  // The configuration as UTF-8 INI text; written to the program in GBK.
  void SetConfig(std::string ini) { config_ = std::move(ini); }
  // Payload files under "inst_files" (or "uninst_files"), app files under "app_inst_files".
  void AddPayloadFile(PackedFile file, bool underUninstFiles = false);
  void AddAppFile(PackedFile file);
  // Any other resource, bytes as given (pictures, "res_logo", "app_skin", ...).
  void AddResource(std::string name, std::string bytes);
  // The "app_lang_config" override, UTF-8 lines written in GBK.
  void SetLangOverride(const std::string& utf8Lines);
  // Packs `uninstaller` (built on Build) as the payload file `sourcePath`, entry `entry`.
  void PackUninstaller(const SetupExeBuilder& uninstaller, const std::string& sourcePath, const std::string& entry);
  // Leaves the map resources out.
  void OmitMaps() { omitMaps_ = true; }
  // Replaces the payload archive by bytes that are no zip.
  void CorruptPayload() { corruptPayload_ = true; }

  // Writes the executable to `hostPath` (folders created). False with the packer's message.
  [[nodiscard]] bool Build(const std::string& hostPath, std::string& error) const;

  // The folder that maps' `zipfile` fields start with.
  static constexpr const char* kPackFolder = "D:\\VqPack\\build";

 private:
  struct Packed {
    PackedFile file;
    std::string top;
  };
  struct Nested {
    const SetupExeBuilder* builder;
    std::string sourcePath;
    std::string entry;
  };

  std::string config_;
  std::vector<Packed> payload_;
  std::vector<Packed> appFiles_;
  std::vector<std::pair<std::string, std::string>> resources_;
  std::vector<Nested> uninstallers_;
  bool omitMaps_ = false;
  bool corruptPayload_ = false;
};

// The zip bytes of `files` under the top folder `top`, as the builder packs a package.
[[nodiscard]] std::string PackageZip(const std::string& top, const std::vector<PackedFile>& files);

// Runs the packer with `args` after the executable; its exit code, output in `output`.
[[nodiscard]] int RunPacker(const std::vector<std::string>& args, std::string& output);

}  // namespace vqtest
