#include "setup/core/ZipPackage.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/SetupExeBuilder.h"
#include "support/TempDir.h"

namespace {

using orvane::TZipPackage;

void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Sets the declared uncompressed size of every entry, in its local header and its central
// directory record, so the archive stays consistent.
std::string WithDeclaredSize(std::string zip, std::uint32_t size) {
  for (std::size_t at = zip.find(std::string("PK\x03\x04", 4)); at != std::string::npos;
       at = zip.find(std::string("PK\x03\x04", 4), at + 1))
    PutLe32(zip, at + 22, size);
  for (std::size_t at = zip.find(std::string("PK\x01\x02", 4)); at != std::string::npos;
       at = zip.find(std::string("PK\x01\x02", 4), at + 1))
    PutLe32(zip, at + 24, size);
  return zip;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A 1 KB entry that declares almost 4 GB fails with the library's reason, and reading it never
// reserves the declared size (checked in a child process, whose peak memory is its own).
TEST(ZipPackageTest, DeclaredSizeIsNeverTrusted) {
  vqtest::TempDir dir;
  const std::string file = dir.file("big.zip");
  const std::string data(1024, 'd');
  for (const bool stored : {false, true}) {
    vqtest::WriteFileBytes(
        file,
        WithDeclaredSize(
            vqtest::PackageZip("inst_files", {{"D:\\a.dat", "a.dat", data, "2020-07-17 09:30:07", true, true, stored}}),
            0xFFFFFF00u));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TZipPackage package(TZipPackage::Kind::Payload);
      std::string error, bytes;
      if (!package.OpenArchive(file, error)) _exit(2);
      const long before = PeakKilobytes();
      try {
        (void)package.Extract("inst_files\\a.dat", bytes);
        _exit(3);
      } catch (const orvane::EZipError&) {
      } catch (...) {
        _exit(4);
      }
      _exit(PeakKilobytes() - before > 256 * 1024 ? 5 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "stored " << stored;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "stored " << stored
                                      << " (2 not opened, 3 extracted, 4 other error, 5 reserved)";
  }
}

}  // namespace
