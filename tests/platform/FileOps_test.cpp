#include "platform/FileOps.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Drives.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The read-only attribute blocks replacing and deleting, as on Windows, until it is cleared.
TEST(FileOps, ReadOnlyAttributeBlocksReplaceAndDelete) {
  vqtest::TempDir dir;
  const std::string file = dir.file("a.txt");
  vqtest::WriteFileBytes(file, "old");
  vqtest::WriteFileBytes(dir.file("src.txt"), "new");
  ASSERT_EQ(platform::SetReadOnly(file, true), platform::kErrorSuccess);
  EXPECT_TRUE(platform::GetReadOnly(file));
  EXPECT_EQ(platform::CopyFileOver(dir.file("src.txt"), file), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::MoveFileReplace(dir.file("src.txt"), file), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::DeleteFile(file), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::WriteFileBytes(file, "x", false), platform::kErrorAccessDenied);
  EXPECT_EQ(vqtest::ReadFileBytes(file), "old");

  ASSERT_EQ(platform::SetReadOnly(file, false), platform::kErrorSuccess);
  EXPECT_FALSE(platform::GetReadOnly(file));
  EXPECT_EQ(platform::CopyFileOver(dir.file("src.txt"), file), platform::kErrorSuccess);
  EXPECT_EQ(vqtest::ReadFileBytes(file), "new");
  EXPECT_EQ(platform::DeleteFile(file), platform::kErrorSuccess);
  EXPECT_EQ(platform::DeleteFile(file), platform::kErrorFileNotFound);
}

// A held file cannot be replaced, moved or deleted; once the hold ends, it can.
TEST(FileOps, HeldFileRefusesChangesUntilReleased) {
  vqtest::TempDir dir;
  const std::string file = dir.file("Tessaly.exe");
  vqtest::WriteFileBytes(file, "running");
  vqtest::WriteFileBytes(dir.file("new.exe"), "new");
  platform::FileHold hold(file);
  ASSERT_TRUE(hold.IsHeld());
  EXPECT_EQ(platform::CopyFileOver(dir.file("new.exe"), file), platform::kErrorSharingViolation);
  EXPECT_EQ(platform::MoveFileReplace(dir.file("new.exe"), file), platform::kErrorSharingViolation);
  EXPECT_EQ(platform::MoveFileNoReplace(file, dir.file("moved.exe")), platform::kErrorSharingViolation);
  EXPECT_EQ(platform::DeleteFile(file), platform::kErrorSharingViolation);
  std::string bytes;
  EXPECT_EQ(platform::ReadFileBytes(file, bytes), platform::kErrorSuccess);  // reading is shared
  EXPECT_EQ(bytes, "running");

  hold.Release();
  EXPECT_EQ(platform::MoveFileReplace(dir.file("new.exe"), file), platform::kErrorSuccess);
  EXPECT_EQ(vqtest::ReadFileBytes(file), "new");
}

// The plain move never replaces; the replacing move renames over the target in one step and,
// without a source, leaves the target alone.
TEST(FileOps, MovesReplaceOnlyWhenAsked) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("a.tmp"), "fresh");
  vqtest::WriteFileBytes(dir.file("a"), "kept");
  EXPECT_EQ(platform::MoveFileNoReplace(dir.file("a.tmp"), dir.file("a")), platform::kErrorAlreadyExists);
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("a")), "kept");
  EXPECT_EQ(platform::MoveFileNoReplace(dir.file("a.tmp"), dir.file("b")), platform::kErrorSuccess);
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("b")), "fresh");

  EXPECT_EQ(platform::MoveFileReplace(dir.file("missing"), dir.file("a")), platform::kErrorFileNotFound);
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("a")), "kept");
  EXPECT_EQ(platform::MoveFileReplace(dir.file("b"), dir.file("a")), platform::kErrorSuccess);
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("a")), "fresh");
  EXPECT_NE(access(dir.file("b").c_str(), F_OK), 0);
}

// A file placed under an ".exe" name can run, whichever way it got there; other names keep
// their bits.
TEST(FileOps, PlacedExeFilesAreExecutable) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("src"), "x");
  chmod(dir.file("src").c_str(), 0644);
  ASSERT_EQ(platform::CopyFileOver(dir.file("src"), dir.file("Copied.EXE")), platform::kErrorSuccess);
  ASSERT_EQ(platform::WriteFileBytes(dir.file("written.exe"), "x", false), platform::kErrorSuccess);
  ASSERT_EQ(platform::CopyFileOver(dir.file("src"), dir.file("plain.dll")), platform::kErrorSuccess);
  vqtest::WriteFileBytes(dir.file("m.tmp"), "x");
  chmod(dir.file("m.tmp").c_str(), 0644);
  ASSERT_EQ(platform::MoveFileNoReplace(dir.file("m.tmp"), dir.file("moved.exe")), platform::kErrorSuccess);
  EXPECT_EQ(ModeOf(dir.file("Copied.EXE")) & 0111, 0111u);
  EXPECT_EQ(ModeOf(dir.file("written.exe")) & 0111, 0111u);
  EXPECT_EQ(ModeOf(dir.file("moved.exe")) & 0111, 0111u);
  EXPECT_EQ(ModeOf(dir.file("plain.dll")), 0644u);
}

// Descriptors opened here do not leak into started programs.
TEST(FileOps, DescriptorsAreCloseOnExec) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("f"), "x");
  const int fd = platform::OpenCloexec(dir.file("f"), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  close(fd);
}

// Write and access times are set and read back to the second; missing files say so.
TEST(FileOps, WriteTimesRoundTrip) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("f"), "x");
  ASSERT_EQ(platform::SetFileTimes(dir.file("f"), 1600000000.0, 1500000000.0), platform::kErrorSuccess);
  double access = 0;
  double write = 0;
  ASSERT_EQ(platform::GetFileTimes(dir.file("f"), access, write), platform::kErrorSuccess);
  EXPECT_EQ(access, 1600000000.0);
  EXPECT_EQ(write, 1500000000.0);
  EXPECT_EQ(platform::GetFileTimes(dir.file("none"), access, write), platform::kErrorFileNotFound);
}

// A drive exists only while its folder does; folders are never made on a missing drive, and
// machine.ini can set a drive's free space.
TEST(Drives, ExistOnlyWithTheirFolderAndReportFreeSpace) {
  vqtest::MachineRootFixture machine;
  EXPECT_TRUE(platform::DriveExists('c'));
  EXPECT_FALSE(platform::DriveExists('D'));
  EXPECT_EQ(platform::CreateFolderTree("D:\\Data\\Sub"), platform::kErrorPathNotFound);
  EXPECT_FALSE(platform::DriveExists('D'));
  std::uint64_t free = 0;
  EXPECT_FALSE(platform::DriveFreeBytes('D', free));

  ASSERT_EQ(mkdir((machine.root() + "/drive_d").c_str(), 0755), 0);
  EXPECT_EQ(platform::CreateFolderTree("D:\\Data\\Sub"), platform::kErrorSuccess);
  EXPECT_EQ(platform::CreateFolderTree("d:\\data\\sub"), platform::kErrorSuccess);
  vqtest::WriteFileBytes(platform::HostPath("D:\\Data\\file"), "x");
  EXPECT_NE(platform::CreateFolderTree("D:\\Data\\file\\below"), platform::kErrorSuccess);
  ASSERT_TRUE(platform::DriveFreeBytes('D', free));
  EXPECT_GT(free, 0u);

  vqtest::WriteFileBytes(machine.root() + "/machine.ini", "[Machine]\r\nWin64=1\r\n[Drives]\r\nd=4096\r\n");
  ASSERT_TRUE(platform::DriveFreeBytes('D', free));
  EXPECT_EQ(free, 4096u);
  EXPECT_EQ(platform::DriveLetterOf("d:\\x"), 'D');
  EXPECT_EQ(platform::DriveLetterOf("/tmp/x"), '\0');
}

}  // namespace
