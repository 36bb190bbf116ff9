#include "setup/core/ZipPackage.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

std::uint16_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// The general purpose flags and the extra field ids of the first central directory record.
std::pair<std::uint16_t, std::vector<std::uint16_t>> FirstRecord(const std::string& zip) {
  const std::size_t at = zip.find(std::string("PK\x01\x02", 4));
  std::vector<std::uint16_t> ids;
  const std::size_t extra = at + 46 + Le16(zip, at + 28);
  for (std::size_t i = extra; i + 4 <= extra + Le16(zip, at + 30); i += 4 + Le16(zip, i + 2)) ids.push_back(Le16(zip, i));
  return {Le16(zip, at + 8), ids};
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

// An entry is found by its name in every form an archive spells it: GBK bytes without a flag,
// UTF-8 flagged by bit 11, UTF-8 given by the Unicode path extra field. Unflagged UTF-8 bytes are
// GBK to the reader and name another file. Lookups fold ASCII letters only: "乤" and "丄" differ
// although their GBK second bytes are "a" and "A".
TEST(ZipPackageTest, EntryNamesInEveryForm) {
  using Form = vqtest::PackedFile::NameForm;
  struct Case {
    const char* name;
    Form form;
    std::uint16_t flags;
    bool unicodeField;
    bool found;
  };
  const Case cases[] = {
      {"GBK", Form::Gbk, 0, false, true},
      {"UTF-8, bit 11", Form::Utf8Flagged, 0x0800, false, true},
      {"UTF-8, Unicode path field", Form::Utf8UnicodePathField, 0, true, true},
      {"UTF-8 without a flag", Form::Utf8Unflagged, 0, false, false},
  };
  const std::pair<const char*, bool> lookups[] = {
      {"inst_files\\子目录\\乤说明.TXT", true},
      {"inst_files\\子目录\\乤说明.txt", true},
      {"INST_FILES\\子目录\\乤说明.Txt", true},
      {"inst_files\\子目录\\丄说明.TXT", false},
      {"inst_files\\子目录", false},
  };
  vqtest::TempDir dir;
  const std::string file = dir.file("names.zip");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::PackedFile packed{"D:\\src\\子目录\\乤说明.TXT", "子目录\\乤说明.TXT", "说明"};
    packed.nameForm = c.form;
    const std::string zip = vqtest::PackageZip("inst_files", {packed});
    const auto [flags, ids] = FirstRecord(zip);
    EXPECT_EQ(flags & 0x0800, c.flags);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x7075) == 1, c.unicodeField);
    vqtest::WriteFileBytes(file, zip);
    TZipPackage package(TZipPackage::Kind::Payload);
    std::string error;
    ASSERT_TRUE(package.OpenArchive(file, error)) << error;
    for (const auto& [entry, found] : lookups) {
      std::string bytes;
      EXPECT_EQ(package.Extract(entry, bytes), found && c.found ? 1 : 0) << entry;
      if (found && c.found) {
        EXPECT_EQ(bytes, "说明") << entry;
      }
    }
  }
  // GBK bytes that happen to read as UTF-8 ("一" is D2 BB) carry no flag and stay GBK.
  vqtest::WriteFileBytes(file, vqtest::PackageZip("inst_files", {{"D:\\src\\一.png", "一.png", "png"}}));
  EXPECT_EQ(FirstRecord(vqtest::ReadFileBytes(file)).first & 0x0800, 0);
  TZipPackage package(TZipPackage::Kind::Payload);
  std::string error, bytes;
  ASSERT_TRUE(package.OpenArchive(file, error)) << error;
  EXPECT_EQ(package.Extract("inst_files\\一.png", bytes), 1);
}

}  // namespace
