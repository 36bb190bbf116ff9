#include "foundation/VqSyncIDValueList.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace tessaly {
namespace {

// 会员 and 积分 in code page 936.
const std::string kGbkMember = "\xBB\xE1\xD4\xB1";
const std::string kGbkPoints = "\xBB\xFD\xB7\xD6";

// Lookups by id ignore ASCII case; indexes out of range give empty texts and change nothing.
TEST(VqSyncIDValueList, LookupsAndRanges) {
  TVqSyncIDValueList list;
  list.Add("vip001", "120");
  list.Add("会员A", "30");
  EXPECT_EQ(list.GetId("VIP001"), 0);
  EXPECT_EQ(list.GetValue("Vip001"), "120");
  EXPECT_EQ(list.GetValue("会员A"), "30");
  EXPECT_EQ(list.GetId("missing"), -1);
  EXPECT_EQ(list.GetValue("missing"), "");
  EXPECT_EQ(list.GetId(1), "会员A");
  EXPECT_EQ(list.GetId(2), "");
  EXPECT_EQ(list.GetValue(-1), "");

  list.Update("VIP001", "125");
  list.Update("nobody", "1");
  EXPECT_EQ(list.GetValue(0), "125");
  EXPECT_EQ(list.Count(), 2);

  list.Del(-1);
  list.Del(2);
  EXPECT_EQ(list.Count(), 2);
  list.Del(0);
  EXPECT_EQ(list.GetId(0), "会员A");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

// Save writes each id once (its last non-empty value, at its first place), skips ids whose last
// value is empty, and writes code page 936 with CR LF after every line.
TEST(VqSyncIDValueList, SaveFoldsDuplicatesAndEmptyValues) {
  vqtest::TempDir dir;
  TVqSyncIDValueList list;
  list.Add("a", "1");
  list.Add("会员", "100");
  list.Add("A", "2");       // same id as "a": replaces its line, written as the newer pair spells it
  list.Add("gone", "5");
  list.Add("GONE", "");     // the last value is empty: the line goes
  list.Add("blank", "");
  list.Add("积分", "x=y");
  EXPECT_EQ(list.Count(), 7);  // Add never merges

  list.Save(dir.file("vip.txt"));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("vip.txt")),
            "A=2\r\n" + kGbkMember + "=100\r\n" + kGbkPoints + "=x=y\r\n");
}

// A list that leaves no line behind does not touch an existing file.
TEST(VqSyncIDValueList, SaveOfNothingKeepsTheFile) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("vip.txt"), "old=1\r\n");
  TVqSyncIDValueList list;
  list.Save(dir.file("vip.txt"));
  list.Add("x", "");
  list.Save(dir.file("vip.txt"));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("vip.txt")), "old=1\r\n");
}

// A write that fails part-way (here: the file size limit, as on a full disk) keeps the old
// cache file whole and leaves no temporary file behind.
TEST(VqSyncIDValueList, FailedSaveKeepsTheOldFile) {
  vqtest::TempDir dir;
  const std::string old = "vip=1\r\n";
  vqtest::WriteFileBytes(dir.file("vip.txt"), old);
  TVqSyncIDValueList list;
  for (int i = 0; i < 100; ++i) list.Add("member" + std::to_string(i), "points");

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  list.Save(dir.file("vip.txt"));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("vip.txt")), old);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);

  list.Save(dir.file("vip.txt"));  // without the limit the same save goes through
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("vip.txt")).substr(0, 17), "member0=points\r\nm");
}

// A byte-order mark and the text in UTF-16 of the given byte order.
std::string Utf16Bytes(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t u : text) {
    const auto hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

struct EncodingCase {
  const char* name;
  std::string bytes;
};

// Load reads UTF-8 and UTF-16 (either order) by their byte-order marks, otherwise code page 936,
// and takes CR LF, CR and LF as line ends.
TEST(VqSyncIDValueList, LoadEncodingsAndLineEnds) {
  const std::string utf16le = Utf16Bytes(u"会员=1\r\nb=2", false);
  const std::string utf16be = Utf16Bytes(u"会员=1\nb=2\n", true);
  const EncodingCase cases[] = {
      {"utf-8 bom", "\xEF\xBB\xBF会员=1\r\nb=2\r\n"},
      {"utf-16le bom", utf16le},
      {"utf-16be bom", utf16be},
      {"cp936, lone CR", kGbkMember + "=1\rb=2"},
      {"cp936, lone LF", kGbkMember + "=1\nb=2\n"},
  };
  for (const auto& c : cases) {
    vqtest::TempDir dir;
    vqtest::WriteFileBytes(dir.file("vip.txt"), c.bytes);
    TVqSyncIDValueList list;
    list.Load(dir.file("vip.txt"));
    ASSERT_EQ(list.Count(), 2) << c.name;
    EXPECT_EQ(list.GetId(0), "会员") << c.name;
    EXPECT_EQ(list.GetValue(0), "1") << c.name;
    EXPECT_EQ(list.GetValue("B"), "2") << c.name;
  }
}

// Load replaces every pair; a line splits at its first "="; a line without one (an empty line
// too) gives an empty pair; a missing file keeps the pairs in memory.
TEST(VqSyncIDValueList, LoadReplacesAndSplitsAtFirstEquals) {
  vqtest::TempDir dir;
  TVqSyncIDValueList list;
  list.Add("kept", "1");
  list.Load(dir.file("missing.txt"));
  EXPECT_EQ(list.GetValue("kept"), "1");

  vqtest::WriteFileBytes(dir.file("vip.txt"), "a=b=c\r\n\r\nnoequals\r\nv=\r\n");
  list.Load(dir.file("vip.txt"));
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetId("kept"), -1);
  EXPECT_EQ(list.GetId(0), "a");
  EXPECT_EQ(list.GetValue(0), "b=c");
  EXPECT_EQ(list.GetId(1), "");
  EXPECT_EQ(list.GetValue(1), "");
  EXPECT_EQ(list.GetId(2), "");
  EXPECT_EQ(list.GetId(3), "v");
  EXPECT_EQ(list.GetValue(3), "");
}

// What Save writes, Load reads back, Chinese ids and values included.
TEST(VqSyncIDValueList, SaveLoadRoundTrip) {
  vqtest::TempDir dir;
  TVqSyncIDValueList out;
  out.Add("会员001", "积分=120");
  out.Add("vip2", "张三");
  out.Save(dir.file("vip.txt"));
  TVqSyncIDValueList in;
  in.Load(dir.file("vip.txt"));
  ASSERT_EQ(in.Count(), 2);
  EXPECT_EQ(in.GetValue("会员001"), "积分=120");
  EXPECT_EQ(in.GetValue("VIP2"), "张三");
}

}  // namespace
}  // namespace tessaly
