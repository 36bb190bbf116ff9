#include "platform/ExeResources.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <thread>

#include "support/Quoted.h"
#include "support/TempDir.h"

namespace {

std::string PackerTool() {
  const char* bin = std::getenv("VQ_TEST_BINARY_DIR");
  return std::string(bin != nullptr ? bin : ".") + "/tools/vqpack";
}

// Resources added to an executable come back by name in any case; the executable's own bytes
// and permission bits stay as they were.
TEST(ExeResources, PackedBlobsReadBackByNameWithoutCase) {
  vqtest::TempDir dir;
  const std::string exe = dir.file("Setup.exe");
  vqtest::WriteFileBytes(exe, "MZ program bytes");
  chmod(exe.c_str(), 0755);
  std::string error;
  const std::string binary("\0\x01\xff zip", 7);
  ASSERT_TRUE(platform::AppendResources(exe, {{"soft_cfg", "[App]\r\n"}, {"soft_pack_files", binary}}, error)) << error;

  const auto res = platform::ResourceFile::Open(exe, error);
  ASSERT_TRUE(res) << error;
  EXPECT_EQ(res->Names(), (std::vector<std::string>{"soft_cfg", "soft_pack_files"}));
  std::string bytes;
  ASSERT_TRUE(res->Read("SOFT_PACK_FILES", bytes, error)) << error;
  EXPECT_EQ(bytes, binary);
  EXPECT_FALSE(res->Read("soft_app_files", bytes, error));
  EXPECT_EQ(error, "no resource soft_app_files");
  EXPECT_EQ(vqtest::ReadFileBytes(exe).substr(0, 16), "MZ program bytes");
  struct stat st {};
  ASSERT_EQ(stat(exe.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

// Packing again replaces a resource of the same name (any case) and keeps the others, and the
// original program bytes are not packed twice.
TEST(ExeResources, RepackingReplacesByNameAndKeepsTheRest) {
  vqtest::TempDir dir;
  const std::string exe = dir.file("Setup.exe");
  vqtest::WriteFileBytes(exe, "MZ");
  std::string error;
  ASSERT_TRUE(platform::AppendResources(exe, {{"a", "one"}, {"b", "two"}}, error));
  ASSERT_TRUE(platform::AppendResources(exe, {{"A", "three"}}, error));
  const auto res = platform::ResourceFile::Open(exe, error);
  ASSERT_TRUE(res) << error;
  EXPECT_EQ(res->Names(), (std::vector<std::string>{"b", "A"}));
  std::string bytes;
  ASSERT_TRUE(res->Read("a", bytes, error));
  EXPECT_EQ(bytes, "three");
  EXPECT_EQ(vqtest::ReadFileBytes(exe).substr(0, 5), "MZtwo");
}

// A plain executable has no resources; a damaged directory or blob is reported, never read.
TEST(ExeResources, DamageIsReportedNotRead) {
  vqtest::TempDir dir;
  const std::string exe = dir.file("Setup.exe");
  vqtest::WriteFileBytes(exe, "MZ");
  std::string error;
  auto res = platform::ResourceFile::Open(exe, error);
  ASSERT_TRUE(res);
  EXPECT_TRUE(res->Names().empty());

  ASSERT_TRUE(platform::AppendResources(exe, {{"cfg", "payload"}}, error));
  std::string bytes = vqtest::ReadFileBytes(exe);
  std::string blobHit = bytes;
  blobHit[2] = 'X';  // inside the blob
  vqtest::WriteFileBytes(exe, blobHit);
  res = platform::ResourceFile::Open(exe, error);
  ASSERT_TRUE(res) << error;
  std::string out;
  EXPECT_FALSE(res->Read("cfg", out, error));
  EXPECT_EQ(error, "damaged resource cfg");

  std::string dirHit = bytes;
  dirHit[10] ^= 0x20;  // the directory's first name byte
  vqtest::WriteFileBytes(exe, dirHit);
  EXPECT_FALSE(platform::ResourceFile::Open(exe, error));
  EXPECT_EQ(error, "damaged resource directory");
}

// An open resource file keeps reading after its file was deleted, from several threads at once.
TEST(ExeResources, ReadingSurvivesDeletionAndServesThreads) {
  vqtest::TempDir dir;
  const std::string exe = dir.file("Uninstall.exe");
  vqtest::WriteFileBytes(exe, "MZ");
  std::string error;
  ASSERT_TRUE(platform::AppendResources(exe, {{"one", std::string(100000, '1')}, {"two", std::string(50000, '2')}}, error));
  platform::SetSelfResourcesForTests(exe);
  const auto res = platform::ResourceFile::Self(error);
  platform::SetSelfResourcesForTests("");
  ASSERT_TRUE(res) << error;
  std::remove(exe.c_str());

  std::vector<std::thread> readers;
  std::vector<int> good(8, 0);
  for (int t = 0; t < 8; ++t) {
    readers.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        std::string bytes;
        std::string err;
        const bool one = (t + i) % 2 == 0;
        if (res->Read(one ? "one" : "two", bytes, err) && bytes == std::string(one ? 100000 : 50000, one ? '1' : '2'))
          ++good[t];
      }
    });
  }
  for (auto& r : readers) r.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(good[t], 20) << t;
}

// The packer tool adds files as named resources and refuses bad arguments.
TEST(ExeResources, PackerToolAppendsFiles) {
  vqtest::TempDir dir;
  const std::string exe = dir.file("Setup.exe");
  vqtest::WriteFileBytes(exe, "MZ");
  vqtest::WriteFileBytes(dir.file("setup.cfg"), "[App]");
  const std::string cmd = PackerTool() + " " + vqtest::Quoted(exe) + " " + vqtest::Quoted("soft_cfg=" + dir.file("setup.cfg"));
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string error;
  const auto res = platform::ResourceFile::Open(exe, error);
  ASSERT_TRUE(res) << error;
  std::string bytes;
  ASSERT_TRUE(res->Read("SOFT_CFG", bytes, error));
  EXPECT_EQ(bytes, "[App]");

  for (const std::string& bad : std::vector<std::string>{" nameonly", " =" + dir.file("setup.cfg"), " x=" + dir.file("missing")}) {
    EXPECT_NE(std::system((PackerTool() + " " + exe + bad + " 2>/dev/null").c_str()), 0) << bad;
  }
}

}  // namespace
