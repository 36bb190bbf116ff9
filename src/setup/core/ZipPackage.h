#pragma once
// One embedded package as the engine reads it: the zip archive (read whole into memory and
// opened there, its directory kept) and its map, the GBK text that names, per source path of the
// configuration, the packed copy ("zipfile:...;filemd5:...;lastwritetime:...;"). Entry names in
// the archive are GBK bytes, or UTF-8 where the archive flags them so (general purpose bit 11 or
// the Unicode path extra field 0x7075), with "/" separators under a top folder: "inst_files" or
// "uninst_files" in the payload package, "app_inst_files" or "app_uninst_files" in the app-files
// package. UI thread only.
#include <memory>
#include <stdexcept>
#include <string>

#include "setup/core/LineList.h"

namespace orvane {

// A failure of the zip library while reading an entry.
class EZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TZipPackage {
 public:
  enum class Kind { Payload, AppFiles };

  explicit TZipPackage(Kind kind);
  ~TZipPackage();
  TZipPackage(const TZipPackage&) = delete;
  TZipPackage& operator=(const TZipPackage&) = delete;

  // Reads the archive file and its directory; false with the zip library's reason.
  [[nodiscard]] bool OpenArchive(const std::string& file, std::string& error);
  // The map := the lines of the GBK text file (missing file: none).
  void LoadMap(const std::string& mapFile);
  // Drops the archive and the map.
  void Close();

  // The map record of a source path (case ignored); empty when the map has no such line.
  [[nodiscard]] std::string MapRecord(const std::string& sourcePath) const;
  // The entry, with "\" separators, that the map's `zipfile` field of `record` names.
  [[nodiscard]] std::string EntryOf(const std::string& record) const;
  // The bytes of `entry` ("\" separators, UTF-8) into `bytes`: 1 when extracted, 0 when the
  // archive is not open or has no such entry. Throws EZipError when the entry cannot be read.
  [[nodiscard]] int Extract(const std::string& entry, std::string& bytes) const;

 private:
  struct Archive;

  Kind kind_;
  std::unique_ptr<Archive> archive_;
  TLineList map_;
};

}  // namespace orvane
