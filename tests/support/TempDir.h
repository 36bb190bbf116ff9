#pragma once
// A fresh folder for one test in the process's folder under TMPDIR (TempRoot.h), removed with
// everything in it when the object dies; and one that is also the program folder while it lives.
#include <string>

namespace vqtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing '/'.
  [[nodiscard]] const std::string& path() const { return path_; }
  // path() + "/" + name.
  [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A fresh folder that is the program folder (program file "<folder>/Tessaly", set through
// platform::SetProgramFileForTests) while the object lives; when it dies the setting is
// cleared, then the folder removed.
class TempProgramDir {
 public:
  TempProgramDir();
  ~TempProgramDir();
  TempProgramDir(const TempProgramDir&) = delete;
  TempProgramDir& operator=(const TempProgramDir&) = delete;

  // The folder, without a trailing '/'.
  [[nodiscard]] const std::string& path() const { return dir_.path(); }
  // path() + "/" + name.
  [[nodiscard]] std::string file(const std::string& name) const { return dir_.file(name); }

 private:
  TempDir dir_;
};

// Whole file as bytes; empty when it cannot be read.
[[nodiscard]] std::string ReadFileBytes(const std::string& path);
// Replaces the file with `bytes`, creating missing parent folders.
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace vqtest
