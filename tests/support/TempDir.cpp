#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ProgramInfo.h"
#include "support/TempRoot.h"

namespace vqtest {

TempDir::TempDir() : path_(MakeUniqueFolder(ProcessTempRoot(), "vqtest.")) {}

TempDir::~TempDir() { RemoveTree(path_.c_str()); }

TempProgramDir::TempProgramDir() { platform::SetProgramFileForTests(dir_.file("Tessaly")); }

TempProgramDir::~TempProgramDir() { platform::SetProgramFileForTests(""); }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vqtest
