#include "platform/MachinePath.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/MachineTree.h"
#include "platform/WinError.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Everything a change could touch in a folder tree: names, kinds, modes, times and bytes.
std::string Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    struct stat st {};
    ::lstat(it->path().c_str(), &st);
    // The link count is left out: deleting the machine's second name of a file lowers it.
    std::string line = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                       std::to_string(st.st_mtim.tv_nsec);
    if (S_ISREG(st.st_mode)) line += " " + vqtest::ReadFileBytes(it->path().string());
    entries[it->path().string()] = line;
  }
  std::string all;
  for (const auto& [path, line] : entries) all += path + "|" + line + "\n";
  return all;
}

// A machine with traps in C:\trap, each aimed at a decoy folder outside the root.
class MachinePathTest : public ::testing::Test {
 protected:
  void SetUp() override { Plant(); }
  void TearDown() override {
    platform::SetMachineConfinement(false);
    EXPECT_EQ(Snapshot(decoy_.path()), before_) << "the decoy outside the machine changed";
  }

  // Checks the decoy, then plants the traps and the decoy anew.
  void Replant() {
    TearDown();
    fs::remove_all(trap_);
    for (const auto& entry : fs::directory_iterator(decoy_.path())) fs::remove_all(entry.path());
    Plant();
  }

  void Plant() {
    vqtest::WriteFileBytes(decoy_.file("secret.txt"), "secret");
    vqtest::WriteFileBytes(decoy_.file("hard.txt"), "hard");
    vqtest::WriteFileBytes(decoy_.file("sub/deep.txt"), "deep");
    trap_ = machine_.root() + "/drive_c/trap";
    fs::create_directories(trap_);
    vqtest::WriteFileBytes(trap_ + "/plain.txt", "plain");
    fs::create_directory_symlink(decoy_.path(), trap_ + "/outdir");
    fs::create_symlink(decoy_.file("secret.txt"), trap_ + "/outfile");
    fs::create_directory_symlink(trap_ + "/chain2", trap_ + "/chain1");
    fs::create_directory_symlink(decoy_.path(), trap_ + "/chain2");
    fs::create_directory_symlink(".", trap_ + "/self");
    fs::create_directory_symlink("../../../../../../../../../..", trap_ + "/up");
    fs::create_hard_link(decoy_.file("hard.txt"), trap_ + "/hard.txt");
    before_ = Snapshot(decoy_.path());
  }

  // The decoy's folder as a path below the drive root, so "up" climbs to where it would be.
  [[nodiscard]] std::string DecoyBelowUp() const {
    std::string p = "C:\\trap\\up";
    for (const auto& part : fs::path(decoy_.path()).relative_path()) p += "\\" + part.string();
    return p;
  }

  vqtest::MachineRootFixture machine_;
  vqtest::TempDir decoy_;
  std::string trap_;
  std::string before_;
};

using Road = std::function<long(const std::string& path)>;

long Write(const std::string& p) { return platform::WriteFileBytes(p, "x", false); }
long Append(const std::string& p) { return platform::WriteFileBytes(p, "x", true); }
long Delete(const std::string& p) { return platform::DeleteFile(p); }
long MakeReadOnly(const std::string& p) { return platform::SetReadOnly(p, true); }
long Touch(const std::string& p) { return platform::SetFileTimes(p, 1e9, 1e9); }
long MakeFolders(const std::string& p) { return platform::CreateFolderTree(p); }

// Every file road either acts inside the machine or fails with the Windows error; none reaches
// the decoy, whichever link, name or host path it is handed.
TEST_F(MachinePathTest, TrapsAreResolvedInsideTheDriveOrRefused) {
  struct Case {
    const char* what;
    std::string path;
    Road road;
    long expected;
  };
  const std::string outside = decoy_.file("secret.txt");
  const Case cases[] = {
      {"write through a link to an outside file replaces the link", "C:\\trap\\outfile", Write, 0},
      {"append through a link to an outside file replaces the link", "C:\\trap\\outfile", Append, 0},
      {"write below a link to an outside folder stays on the drive", "C:\\trap\\outdir\\secret.txt", Write,
       platform::kErrorPathNotFound},
      {"a chain of links is resolved on the drive", "C:\\trap\\chain1\\secret.txt", Write,
       platform::kErrorPathNotFound},
      {"a link climbing with .. stops at the drive root", DecoyBelowUp() + "\\secret.txt", Write,
       platform::kErrorPathNotFound},
      {"a link to its own folder is that folder", "C:\\trap\\self\\self\\new.txt", Write, 0},
      {"write to a hard link of an outside file makes a new file", "C:\\trap\\hard.txt", Write, 0},
      {"append to a hard link of an outside file makes a new file", "C:\\trap\\hard.txt", Append, 0},
      {"delete of a link deletes the link", "C:\\trap\\outfile", Delete, 0},
      {"delete below a link to an outside folder", "C:\\trap\\outdir\\secret.txt", Delete,
       platform::kErrorPathNotFound},
      {"read-only through a link is refused", "C:\\trap\\outfile", MakeReadOnly, platform::kErrorAccessDenied},
      {"read-only of a hard link changes only the machine's file", "C:\\trap\\hard.txt", MakeReadOnly, 0},
      {"times through a link are refused", "C:\\trap\\outfile", Touch, platform::kErrorAccessDenied},
      {"times of a hard link change only the machine's file", "C:\\trap\\hard.txt", Touch, 0},
      {"folders below a link to an outside folder stay on the drive", "C:\\trap\\outdir\\new\\deeper", MakeFolders,
       platform::kErrorPathNotFound},
      {"a name climbing above its drive", "C:\\trap\\..\\..\\x.txt", Write, platform::kErrorPathNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Replant();
    platform::SetMachineConfinement(true);
    EXPECT_EQ(c.road(c.path), c.expected);
  }
}

// After a write through a trap the machine holds its own file and the link or second name is gone.
TEST_F(MachinePathTest, ReplacedLinksAndHardLinksBecomeFilesOfTheMachine) {
  platform::SetMachineConfinement(true);
  ASSERT_EQ(platform::WriteFileBytes("C:\\trap\\outfile", "mine", false), 0);
  ASSERT_EQ(platform::WriteFileBytes("C:\\trap\\hard.txt", "+more", true), 0);
  EXPECT_FALSE(fs::is_symlink(trap_ + "/outfile"));
  EXPECT_EQ(vqtest::ReadFileBytes(trap_ + "/outfile"), "mine");
  EXPECT_EQ(vqtest::ReadFileBytes(trap_ + "/hard.txt"), "hard+more");
  EXPECT_EQ(fs::hard_link_count(trap_ + "/hard.txt"), 1u);
}

// Confinement is the setup program's: with it on, no host path or relative name is changed;
// with it off (the agent) a host path is the host file, and reading one passes in both modes.
TEST_F(MachinePathTest, HostPathsAreRefusedOnlyWhileConfined) {
  vqtest::TempDir host;
  const std::string hostFile = host.file("host.ini");
  vqtest::WriteFileBytes(hostFile, "host");
  struct Case {
    const char* what;
    std::string path;
  };
  const Case cases[] = {
      {"a host path", hostFile},
      {"a relative name", "sub\\x.ini"},
      {"a file address", "file://" + hostFile},
  };
  platform::SetMachineConfinement(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform::CheckMachinePath(c.path, platform::PathUse::kChange), platform::kErrorPathNotFound);
    EXPECT_EQ(platform::WriteFileBytes(c.path, "x", false), platform::kErrorPathNotFound);
    EXPECT_EQ(platform::DeleteFile(c.path), platform::kErrorPathNotFound);
    EXPECT_EQ(platform::SetReadOnly(c.path, true), platform::kErrorPathNotFound);
  }
  std::string bytes;
  EXPECT_EQ(platform::ReadFileBytes(hostFile, bytes), 0);
  EXPECT_EQ(bytes, "host");
  EXPECT_EQ(vqtest::ReadFileBytes(hostFile), "host");
  // The machine's own state inside the root is written in both modes.
  EXPECT_EQ(platform::WriteFileBytes(machine_.root() + "/run/state.txt", "s", false), 0);

  platform::SetMachineConfinement(false);
  EXPECT_EQ(platform::CheckMachinePath(hostFile, platform::PathUse::kChange), 0);
  EXPECT_EQ(platform::WriteFileBytes(hostFile, "agent", false), 0);
  EXPECT_EQ(vqtest::ReadFileBytes(hostFile), "agent");
}

// Names Windows refuses are refused for drive paths with its error, in every mode.
TEST_F(MachinePathTest, NamesWindowsRefusesAreRefused) {
  struct Case {
    std::string path;
    long expected;
  };
  const Case cases[] = {
      {"C:\\a<b.txt", platform::kErrorInvalidName},   {"C:\\a>b", platform::kErrorInvalidName},
      {"C:\\dir\\a:b", platform::kErrorInvalidName},  {"C:\\a\"b", platform::kErrorInvalidName},
      {"C:\\a|b", platform::kErrorInvalidName},       {"C:\\a?b", platform::kErrorInvalidName},
      {"C:\\a*b\\c", platform::kErrorInvalidName},    {"C:\\a\tb", platform::kErrorInvalidName},
      {"C:\\CON", platform::kErrorInvalidName},       {"C:\\dir\\nul.txt", platform::kErrorInvalidName},
      {"C:\\Com1\\x", platform::kErrorInvalidName},   {"C:\\lpt9.log", platform::kErrorInvalidName},
      {"C:\\aux.tar.gz", platform::kErrorInvalidName}, {"C:\\prn", platform::kErrorInvalidName},
      {"C:\\dot.\\x", platform::kErrorInvalidName},   {"C:\\blank \\x", platform::kErrorInvalidName},
      {"C:\\" + std::string(258, 'a'), platform::kErrorFilenameTooLong},
      {"C:\\COM0", 0},                                {"C:\\console", 0},
      {"C:\\lpt", 0},                                 {"C:\\" + std::string(257, 'a'), 0},
      {"C:\\a.b c", 0},
  };
  for (const bool confined : {false, true}) {
    platform::SetMachineConfinement(confined);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.path + (confined ? " confined" : " not confined"));
      EXPECT_EQ(platform::CheckMachinePath(c.path, platform::PathUse::kRead), c.expected);
    }
  }
  EXPECT_EQ(platform::CreateFolderTree("C:\\Game\\CON\\x"), platform::kErrorInvalidName);
  EXPECT_FALSE(fs::exists(machine_.root() + "/drive_c/Game"));
}

// Existing components match without case and take their spelling; the rest keep the caller's.
TEST_F(MachinePathTest, ComponentsMatchWithoutCase) {
  platform::MachinePath at;
  ASSERT_EQ(platform::MachinePath::Resolve("c:\\TRAP\\PLAIN.TXT", platform::PathUse::kRead, at), 0);
  EXPECT_EQ(at.name(), "plain.txt");
  EXPECT_TRUE(at.confined());
  std::string bytes;
  EXPECT_EQ(platform::ReadFileBytes("C:/Trap/Plain.txt", bytes), 0);
  EXPECT_EQ(bytes, "plain");
  ASSERT_EQ(platform::MachinePath::Resolve("C:\\Trap\\New.TXT", platform::PathUse::kChange, at), 0);
  EXPECT_EQ(at.name(), "New.TXT");
  EXPECT_EQ(platform::MachinePath::Resolve("C:\\missing\\x.txt", platform::PathUse::kChange, at),
            platform::kErrorPathNotFound);
  EXPECT_EQ(platform::MachinePath::Resolve("Q:\\x.txt", platform::PathUse::kChange, at), platform::kErrorPathNotFound);
}

// Reading follows a link of the machine, still beneath the drive: a link to an outside file
// reads nothing of it.
TEST_F(MachinePathTest, ReadingFollowsLinksOnlyBeneathTheDrive) {
  fs::create_symlink("/trap/plain.txt", trap_ + "/abs");
  std::string bytes;
  EXPECT_EQ(platform::ReadFileBytes("C:\\trap\\abs", bytes), 0);
  EXPECT_EQ(bytes, "plain");
  EXPECT_EQ(platform::ReadFileBytes("C:\\trap\\outfile", bytes), platform::kErrorFileNotFound);
  EXPECT_EQ(bytes, "");
  long error = 0;
  EXPECT_EQ(platform::ResolvedFilePath("C:\\trap\\self\\abs", platform::PathUse::kRead, error),
            fs::canonical(trap_ + "/plain.txt").string());
  EXPECT_EQ(platform::ResolvedFilePath("C:\\trap\\outfile", platform::PathUse::kRead, error), "");
  EXPECT_EQ(error, platform::kErrorFileNotFound);
}

// A folder tree goes by descriptors: a link inside loses only itself, a folder that is a link
// loses only the link, and what they point to stays.
TEST_F(MachinePathTest, TreeDeletionNeverFollowsLinks) {
  platform::SetMachineConfinement(true);
  const auto removeFile = [](const platform::MachineFolder& folder, const std::string& name) {
    (void)folder.DeleteFileAt(name);
  };
  EXPECT_EQ(platform::DeleteMachineTree("C:\\trap\\outdir", removeFile), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(trap_ + "/outdir")));
  EXPECT_EQ(platform::DeleteMachineTree("C:\\trap", removeFile), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(trap_)));
  platform::MachineFolder folder;
  EXPECT_EQ(platform::MachineFolder::Open("C:\\trap", platform::PathUse::kRead, folder), platform::kErrorPathNotFound);
}

// A folder entry that is a link is listed as no folder, and never opened as a subfolder.
TEST_F(MachinePathTest, FolderListingMarksLinksAsNoFolders) {
  platform::MachineFolder folder;
  ASSERT_EQ(platform::MachineFolder::Open("C:\\trap", platform::PathUse::kRead, folder), 0);
  std::map<std::string, bool> listed;
  for (const auto& e : folder.List()) listed[e.name] = e.isFolder;
  EXPECT_FALSE(listed.at("outdir"));
  EXPECT_FALSE(listed.at("self"));
  EXPECT_FALSE(listed.at("plain.txt"));
  platform::MachineFolder sub;
  EXPECT_EQ(folder.OpenSub("outdir", sub), platform::kErrorPathNotFound);
  EXPECT_FALSE(sub.IsOpen());
  EXPECT_EQ(folder.RemoveFolderAt("outdir"), platform::kErrorPathNotFound);
  EXPECT_TRUE(fs::is_symlink(trap_ + "/outdir"));
}

}  // namespace
