#include "platform/ShellOpen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "platform/MachinePath.h"
#include "platform/Profile.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// A host PATH whose first folder holds namesakes of what a test opens; each writes a marker
// when it runs. The old PATH comes back when the object dies.
class HostNamesakes {
 public:
  explicit HostNamesakes(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      vqtest::WriteFileBytes(dir_.file(name), "#!/bin/sh\necho ran > '" + marker() + "'\n");
      fs::permissions(dir_.file(name), fs::perms::owner_all);
    }
    const char* old = std::getenv("PATH");
    saved_ = old != nullptr ? old : "";
    ::setenv("PATH", (dir_.path() + ":" + saved_).c_str(), 1);
  }
  ~HostNamesakes() { ::setenv("PATH", saved_.c_str(), 1); }
  HostNamesakes(const HostNamesakes&) = delete;
  HostNamesakes& operator=(const HostNamesakes&) = delete;

  [[nodiscard]] std::string marker() const { return dir_.file("ran"); }

 private:
  vqtest::TempDir dir_;
  std::string saved_;
};

// What the opener may get: documents of the machine (by extension, whatever their mode) and
// http, https and mailto addresses; never another address, a desktop entry, a shortcut, a
// host file, a link out of the machine or a bare name that only the host's PATH knows.
TEST(ShellOpen, OpenerGetsOnlyDocumentsOfTheMachineAndWebAddresses) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir out;
  ASSERT_TRUE(platform::WritePrivateProfileString("Shell", "Recorder", out.file("opened"), machine.root() + "/machine.ini"));
  vqtest::TempDir host;
  vqtest::WriteFileBytes(host.file("doc.txt"), "host");
  const std::string docs = platform::HostPath("C:\\Docs");
  vqtest::WriteFileBytes(docs + "/readme.txt", "x");
  fs::permissions(docs + "/readme.txt", fs::perms::owner_all);  // marked executable, still a document
  vqtest::WriteFileBytes(docs + "/app.desktop", "[Desktop Entry]\nExec=/bin/true\n");
  vqtest::WriteFileBytes(docs + "/Tool.lnk", "[Desktop Entry]\nExec=/bin/true\n");
  fs::create_symlink(host.file("doc.txt"), docs + "/out.txt");
  HostNamesakes namesakes({"touch", "touch.exe", "notes.bat"});
  struct Case {
    std::string target;
    bool opened;
  };
  const Case cases[] = {
      {"C:\\Docs\\readme.txt", true},
      {"c:\\docs\\README.TXT", true},
      {"C:\\Docs", true},
      {"http://www.example.test/", true},
      {"HTTPS://www.example.test/a", true},
      {"mailto:help@example.test", true},
      {"file://" + host.file("doc.txt"), false},
      {"ftp://www.example.test/", false},
      {host.file("doc.txt"), false},
      {"C:\\Docs\\app.desktop", false},
      {"C:\\Docs\\Tool.lnk", false},
      {"C:\\Docs\\out.txt", false},
      {"C:\\Docs\\missing.txt", false},
      {"touch", false},
      {"touch.exe", false},
      {"notes.bat", false},
  };
  platform::SetMachineConfinement(true);
  std::string expected;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    std::string error;
    EXPECT_EQ(platform::ShellOpen(c.target, "", error), c.opened) << error;
    if (c.opened) expected += c.target + "\t\n";
    EXPECT_EQ(vqtest::ReadFileBytes(out.file("opened")), expected);
  }
  EXPECT_FALSE(fs::exists(namesakes.marker())) << "a host program ran";

  // The agent is no setup program: its own host files keep their host road.
  platform::SetMachineConfinement(false);
  std::string error;
  EXPECT_TRUE(platform::ShellOpen(host.file("doc.txt"), "", error)) << error;
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("opened")), expected + host.file("doc.txt") + "\t\n");
}

// A file is a program by its Windows extension, not by its mode.
TEST(ShellOpen, ProgramsAreKnownByTheirExtension) {
  struct Case {
    const char* target;
    bool program;
  };
  const Case cases[] = {
      {"C:\\App\\Tool.exe", true}, {"C:\\App\\TOOL.EXE", true},  {"C:\\App\\Tool.com", true},
      {"C:\\App\\Tool.bat", false}, {"C:\\App\\Tool.txt", false}, {"C:\\App\\Tool", false},
      {"http://x.test/a.exe", false},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::OpensAsProgram(c.target), c.program) << c.target;
}

}  // namespace
