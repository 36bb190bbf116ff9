#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/SetupFakeClock.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;

bool Exists(const std::string& windowsPath) { return access(platform::HostPath(windowsPath).c_str(), F_OK) == 0; }

void MakeDrive(const vqtest::MachineRootFixture& machine, char letter) {
  std::filesystem::create_directories(machine.root() + "/drive_" + letter);
}

// The drive choice keeps a usable folder, else walks the drive roots from C: and ends at Z:
// untested; a needed size excludes drives without that much free space.
TEST(VqLibFiles, ChooseDriveWalksTheDrives) {
  struct Case {
    const char* name;
    const char* folder;
    std::int64_t needed;
    std::string freeSpace;  // machine.ini [Drives] lines
    const char* expected;
  } cases[] = {
      {"usable folder kept", "C:\\ProgramData\\", 0, "", "C:\\ProgramData\\"},
      {"missing folder created", "C:\\ProgramData\\VqInstCache\\", 0, "", "C:\\ProgramData\\VqInstCache\\"},
      {"missing drive", "Q:\\Cache\\", 0, "", "C:\\"},
      {"too little room on C", "C:\\ProgramData\\", 5000, "C=4000\r\nE=9000\r\n", "E:\\"},
      {"room exactly needed is too little", "C:\\ProgramData\\", 4000, "C=4000\r\nE=4000\r\n", "Z:\\"},
      {"no drive qualifies", "Q:\\Cache\\", 1LL << 62, "", "Z:\\"},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine;
    MakeDrive(machine, 'e');
    vqtest::WriteFileBytes(machine.root() + "/machine.ini", "[Machine]\r\nWin64=1\r\n[Drives]\r\n" + c.freeSpace);
    std::string folder = c.folder;
    EXPECT_TRUE(TvqLib::ChooseDrive(folder, c.needed));
    EXPECT_EQ(folder, c.expected) << c.name;
  }
  vqtest::MachineRootFixture machine;
  std::string folder = "C:\\ProgramData\\New\\Deep\\";
  ASSERT_TRUE(TvqLib::ChooseDrive(folder, 0));
  EXPECT_TRUE(Exists("C:\\ProgramData\\New\\Deep"));
}

// Free space comes from the path's drive; a missing drive has none; a writable folder takes a
// probe file, which is gone afterwards.
TEST(VqLibFiles, FreeSpaceAndWritableFolders) {
  vqtest::MachineRootFixture machine;
  vqtest::WriteFileBytes(machine.root() + "/machine.ini", "[Machine]\r\nWin64=1\r\n[Drives]\r\nC=123456789\r\n");
  EXPECT_EQ(TvqLib::GetFreeSpace("C:\\Program Files\\x"), 123456789);
  EXPECT_EQ(TvqLib::GetFreeSpace("c"), 123456789);
  EXPECT_EQ(TvqLib::GetFreeSpace("Q:\\x"), 0);
  EXPECT_EQ(TvqLib::GetFreeSpace("/tmp"), 0);
  EXPECT_TRUE(TvqLib::IsFolderWritable("C:\\ProgramData"));
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(platform::HostPath("C:\\ProgramData")))
    left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"Microsoft"});
  EXPECT_FALSE(TvqLib::IsFolderWritable("C:\\Missing"));
  EXPECT_FALSE(TvqLib::IsFolderWritable("Q:\\"));
}

// Listing, counting and tree deletion skip "Thumbs.db": a folder holding one stays with it.
TEST(VqLibFiles, ListsCountsAndDeletesTrees) {
  vqtest::MachineRootFixture machine;
  for (const char* f : {"C:\\T\\a.txt", "C:\\T\\sub\\b.txt", "C:\\T\\sub\\deep\\c.txt", "C:\\T\\keep\\Thumbs.db",
                        "C:\\T\\sub\\THUMBS.DB"})
    vqtest::WriteFileBytes(platform::HostPath(f), "x");
  std::vector<std::string> list;
  TvqLib::ListFiles(list, "C:\\T");
  std::sort(list.begin() + 1, list.end());
  EXPECT_EQ(list, (std::vector<std::string>{"C:\\T\\a.txt", "C:\\T\\sub\\b.txt", "C:\\T\\sub\\deep\\c.txt"}));
  int count = 1;
  TvqLib::CountFiles(count, "C:\\T\\");
  EXPECT_EQ(count, 4);

  TvqLib::DeleteTree("C:\\T");
  EXPECT_FALSE(Exists("C:\\T\\a.txt"));
  EXPECT_FALSE(Exists("C:\\T\\sub\\deep"));
  EXPECT_TRUE(Exists("C:\\T\\keep\\Thumbs.db"));
  EXPECT_TRUE(Exists("C:\\T\\sub\\THUMBS.DB"));
  vqtest::WriteFileBytes(platform::HostPath("C:\\U\\x\\y.txt"), "x");
  TvqLib::DeleteTree("C:\\U\\");
  EXPECT_FALSE(Exists("C:\\U"));
}

// Links are never followed: a link to a folder outside the machine, to a file outside it and
// to its own folder are each listed and counted once as themselves, and deleting the tree
// removes the links while everything they point to stays.
TEST(VqLibFiles, TreeWalksNeverFollowLinks) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir outside;
  vqtest::WriteFileBytes(outside.file("victim/keep.txt"), "keep");
  vqtest::WriteFileBytes(outside.file("lone.txt"), "lone");
  vqtest::WriteFileBytes(platform::HostPath("C:\\T\\a.txt"), "x");
  vqtest::WriteFileBytes(platform::HostPath("C:\\T\\sub\\b.txt"), "x");
  const std::string t = platform::HostPath("C:\\T");
  std::filesystem::create_directory_symlink(outside.file("victim"), t + "/out");
  std::filesystem::create_symlink(outside.file("lone.txt"), t + "/sub/lone.txt");
  std::filesystem::create_directory_symlink(t, t + "/sub/self");

  std::vector<std::string> list;
  TvqLib::ListFiles(list, "C:\\T");
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (std::vector<std::string>{"C:\\T\\a.txt", "C:\\T\\out", "C:\\T\\sub\\b.txt", "C:\\T\\sub\\lone.txt",
                                            "C:\\T\\sub\\self"}));
  int count = 0;
  TvqLib::CountFiles(count, "C:\\T");
  EXPECT_EQ(count, 5);

  TvqLib::DeleteTree("C:\\T");
  std::error_code ec;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(t, ec)));
  EXPECT_EQ(vqtest::ReadFileBytes(outside.file("victim/keep.txt")), "keep");
  EXPECT_EQ(vqtest::ReadFileBytes(outside.file("lone.txt")), "lone");
}

// File times pass through the two-second form: odd seconds become the even second below.
TEST(VqLibFiles, FileTimesUseTheTwoSecondForm) {
  vqtest::MachineRootFixture machine;
  vqtest::WriteFileBytes(platform::HostPath("C:\\T\\a.txt"), "x");
  const auto odd = orvane::EncodeDateTime({2020, 7, 17, 9, 5, 3, 900});
  const auto even = orvane::EncodeDateTime({2020, 7, 17, 9, 5, 2, 0});
  ASSERT_TRUE(odd && even);
  ASSERT_TRUE(TvqLib::SetFileTimes("C:\\T\\a.txt", *odd, *odd));
  EXPECT_EQ(orvane::DateTimeText(TvqLib::GetFileTimeOf("C:\\T\\a.txt", 2)), "2020-07-17 09:05:02");
  EXPECT_EQ(orvane::DateTimeText(TvqLib::GetFileTimeOf("c:\\t\\A.TXT", 1)), "2020-07-17 09:05:02");
  EXPECT_GT(TvqLib::GetFileTimeOf("C:\\T\\a.txt", 0), *even);
  EXPECT_EQ(TvqLib::GetFileTimeOf("C:\\T\\missing.txt", 2), 0);
  EXPECT_FALSE(TvqLib::SetFileTimes("C:\\T\\missing.txt", *odd, *odd));
  EXPECT_EQ(TvqLib::GetFileSizeOf("C:\\T\\a.txt"), 1);
  EXPECT_THROW((void)TvqLib::GetFileSizeOf("C:\\T\\missing.txt"), orvane::EVqLibError);
}

// Every log entry is followed by an empty line; the file is GBK; a missing folder is created.
TEST(VqLibFiles, LogEntriesAreFollowedByAnEmptyLine) {
  vqtest::MachineRootFixture machine;
  TvqLib::WriteLogFile("line1", "Setup", "C:\\ProgramData\\VqInstCache\\");
  TvqLib::WriteLogFile("第二行", "Setup", "C:\\ProgramData\\VqInstCache\\");
  EXPECT_EQ(vqtest::ReadFileBytes(platform::HostPath("C:\\ProgramData\\VqInstCache\\Setup.log")),
            "line1\r\n\r\n" + platform::Utf8ToCp936("第二行") + "\r\n\r\n");
  TvqLib::WriteLogFile("x", "", "");
  EXPECT_EQ(vqtest::ReadFileBytes(machine.programDir() + "Tessaly.log"), "x\r\n\r\n");
  TvqLib::WriteLogFile("x", "..", "C:\\");  // refused, silently
  TvqLib::WriteLogFile("x", "a", "Q:\\nowhere\\");
  EXPECT_FALSE(Exists("Q:\\"));
}

}  // namespace
