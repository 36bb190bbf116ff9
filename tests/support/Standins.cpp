#include "support/Standins.h"

#include <sys/stat.h>

#include <filesystem>

#include "platform/WinPath.h"
#include "support/BuildTree.h"
#include "support/TempDir.h"
#include "support/alglib_standin/VqAlgStandin.h"

namespace vqtest {
namespace {

std::string Place(const std::string& from, const std::string& windowsPath) {
  const std::string host = platform::HostPath(windowsPath);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  std::filesystem::copy_file(from, host, std::filesystem::copy_options::overwrite_existing, ec);
  chmod(host.c_str(), 0755);
  return host;
}

}  // namespace

std::string ProgramStandinFile() { return BuildFile("tests/support/program_standin/vq_program_standin"); }

std::string ComponentStandinFile() { return BuildFile("tests/support/program_standin/libvq_component_standin.so"); }

std::string LibraryWithoutEntryFile() { return BuildFile(kAlgStandinRelativePath); }

std::string PlaceProgramStandin(const std::string& windowsPath) { return Place(ProgramStandinFile(), windowsPath); }

std::string PlaceComponentStandin(const std::string& windowsPath) { return Place(ComponentStandinFile(), windowsPath); }

std::string PlaceScriptStandin(const std::string& windowsPath) {
  const std::string host = platform::HostPath(windowsPath);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  // Gives up after about a minute, so a copy that a test could not end does not outlive it long.
  WriteFileBytes(host, "#!/bin/sh\ntrap 'exit 0' TERM\ni=0\nwhile [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done\n");
  chmod(host.c_str(), 0755);
  return host;
}

}  // namespace vqtest
