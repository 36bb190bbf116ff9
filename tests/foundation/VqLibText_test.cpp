#include "foundation/VqLibText.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"

namespace tessaly {
namespace {

struct DigestCase {
  std::string input;
  std::string md5;
};

// MD5 is taken over the UTF-8 bytes: the Chinese row would differ over UTF-16.
TEST(VqLibTextDigest, Md5OfUtf8Bytes) {
  const DigestCase cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"会员积分同步", "2b7569db8140ee7dbca33af8f90baa37"},
  };
  for (const auto& c : cases) EXPECT_EQ(TvqLib::GetMd5(c.input), c.md5) << c.input;
}

// The other digests match their published test vectors, in lower-case hex.
TEST(VqLibTextDigest, ShaAndHmacVectors) {
  EXPECT_EQ(TvqLib::StrSha1("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(TvqLib::StrSha2("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(TvqLib::GetHMd5("what do ya want for nothing?", "Jefe"), "750c783e6ab0b503eaa86e310a5db738");
}

// Base64 of the UTF-8 bytes, with padding, and back.
TEST(VqLibTextBase64, KnownValuesAndRoundTrips) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"会员积分同步", "5Lya5ZGY56ev5YiG5ZCM5q2l"},
  };
  for (const auto& [text, b64] : cases) {
    EXPECT_EQ(TvqLib::ToBase64(text), b64);
    EXPECT_EQ(TvqLib::FoBase64(b64), text);
  }
}

// A long text stays on one line and survives the round trip.
TEST(VqLibTextBase64, TenKilobytesOnOneLine) {
  std::string text;
  while (text.size() < 10 * 1024) text += "密码Password-0123456789\r\n";
  const std::string b64 = TvqLib::ToBase64(text);
  EXPECT_EQ(b64.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(b64.size(), (text.size() + 2) / 3 * 4);
  EXPECT_EQ(TvqLib::FoBase64(b64), text);
}

// Line breaks and other characters outside the alphabet are skipped; bytes that are not UTF-8
// never leave the decoder as invalid text.
TEST(VqLibTextBase64, ToleratesForeignCharacters) {
  EXPECT_EQ(TvqLib::FoBase64("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(TvqLib::FoBase64("Zm9v*YmFy"), "foobar");
  EXPECT_EQ(TvqLib::FoBase64("/w=="), "\xEF\xBF\xBD");  // the single byte FF
}

struct ScrambleCase {
  std::string input, scrambled;
};

// Each character's low UTF-16 byte is subtracted from the key letter of its position; a zero
// result drops the character.
TEST(VqLibTextScrambler, StrToXORTable) {
  const ScrambleCase cases[] = {
      {"", ""},
      {"ABC123XYZ", "03,AD.\x16\x0b\x0b"},
      {"qX", "\x1d"},    // 'q' is the first key letter: dropped
      {"Auorv", "0"},    // the same letters at the same places: four dropped
      {"中", "D"},       // U+4E2D: only its low byte 0x2D counts
      {"quorvandel", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TvqLib::StrToXOR(c.input), c.scrambled) << c.input;
}

// StrFoXOR keeps a NUL where StrToXOR drops, so its output is as long as its input.
TEST(VqLibTextScrambler, StrFoXORNeverDrops) {
  EXPECT_EQ(TvqLib::StrFoXOR("quorvandel"), std::string(10, '\0'));
  EXPECT_EQ(TvqLib::StrFoXOR("qX"), std::string("\0\x1d", 2));
}

// The byte step is its own inverse for texts whose scrambled bytes are ASCII.
TEST(VqLibTextScrambler, RoundTrip) {
  for (const std::string text : {"PASSWORD2024", "ADMIN", "0000", "A1B2C3D4E5F6G7H8"}) {
    EXPECT_EQ(TvqLib::StrFoXOR(TvqLib::StrToXOR(text)), text);
    EXPECT_EQ(TvqLib::StrToXOR(TvqLib::StrFoXOR(text)), text);
  }
}

struct TagCase {
  std::string src, tag1, tag2, expected;
};

// The text between the first start tag and the first end tag after it.
TEST(VqLibTextTags, GetTagStrTable) {
  const TagCase cases[] = {
      {"C:\\PROGRAM FILES\\TOOL\\TESSALY.EXE|", ":\\", "|", "PROGRAM FILES\\TOOL\\TESSALY.EXE"},
      {"C:\\PROGRAM FILES\\TOOL\\TESSALY.EXE|", "D:\\", "|", ""},
      {"D:\\软件\\会员同步\\TESSALY.EXE|", ":\\", "|", "软件\\会员同步\\TESSALY.EXE"},
      {"[门店]北京[/门店]", "[门店]", "[/门店]", "北京"},
      {"a|b|c", "", "|", "a"},
      {"a|b|c", "|", "", "b|c"},  // the whole rest, its last character included
      {"a|b|c", "", "", ""},
      {"a|b|c", "a", "x", ""},
      {"x|y", "|", "|", ""},  // the end tag is looked for after the start tag only
  };
  for (const auto& c : cases) EXPECT_EQ(TvqLib::GetTagStr(c.src, c.tag1, c.tag2), c.expected) << c.src;
}

// Combo items pad the name in UTF-16 units and read the id back from position aLen.
TEST(VqLibTextCombo, NameIdRoundTripWithChineseNames) {
  struct Case {
    std::string name, id;
    int len;
    std::string item;
  };
  const Case cases[] = {
      {"总店", "01", 6, "总店    01"},
      {"北京朝阳店", "0203", 8, "北京朝阳店   0203"},
      {"ABC", "7", 3, "ABC7"},
      {"很长的门店名称", "9", 4, "很长的门店名称9"},  // never shortened
      {"𠀋店", "5", 4, "𠀋店 5"},              // a character outside the BMP counts two
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TvqLib::GetCbbNameId(c.name, c.id, c.len), c.item);
  }
  EXPECT_EQ(TvqLib::GetCbbId("总店    01", 6), "01");
  EXPECT_EQ(TvqLib::GetCbbId("北京朝阳店   0203", 8), "0203");
  EXPECT_EQ(TvqLib::GetCbbId("总店\t01\r\n", 3), "01");
  EXPECT_EQ(TvqLib::GetCbbName("总店    01", 6), "总店");
  EXPECT_EQ(TvqLib::GetCbbName("北京朝阳店   0203", 2), "北京");
  EXPECT_EQ(TvqLib::GetCbbId("abc", 10), "");
}

// Padding and aligning count UTF-16 units and cut from the side each one keeps.
TEST(VqLibTextPadding, FillAndFormat) {
  EXPECT_EQ(TvqLib::FillLStr("7", 4, '0'), "0007");
  EXPECT_EQ(TvqLib::FillLStr("12345", 4, '0'), "12345");
  EXPECT_EQ(TvqLib::FillRStr("店", 3, '*'), "店**");
  EXPECT_EQ(TvqLib::FormatLeft("12", 5, ' '), "   12");
  EXPECT_EQ(TvqLib::FormatLeft("门店编号", 2, ' '), "编号");
  EXPECT_EQ(TvqLib::FormatRight("门店编号", 2, ' '), "门店");
  EXPECT_EQ(TvqLib::FormatRight("ab", 4, '.'), "ab..");
  EXPECT_EQ(TvqLib::SqlStr("O'Brien"), "'O''Brien'");
  EXPECT_EQ(TvqLib::SqlStr(""), "''");
}

// Every UTF-16 unit becomes a lower-case escape, and the escapes come back, pairs included.
TEST(VqLibTextEscapes, UnicodeEscapesBothWays) {
  EXPECT_EQ(TvqLib::AnsiToUnicode("A中"), "\\u0041\\u4e2d");
  EXPECT_EQ(TvqLib::AnsiToUnicode("😀"), "\\ud83d\\ude00");
  for (const std::string text : {"", "A中", "会员=1;😀", "\\"}) {
    EXPECT_EQ(TvqLib::UnicodeToAnsi(TvqLib::AnsiToUnicode(text)), text);
  }
  EXPECT_EQ(TvqLib::UnicodeToAnsi("x\\u4E2Dy\\uZZZZ\\u12"), "x中y\\uZZZZ\\u12");
}

// Money writing with 零 for each run of zeros and the group names, and the input errors.
TEST(VqLibTextRmb, AmountsAndErrors) {
  const std::pair<std::string, std::string> ok[] = {
      {"1", "壹元"},
      {"10", "壹拾元"},
      {"105", "壹佰零伍元"},
      {"1005", "壹仟零伍元"},
      {"10005", "壹万零伍元"},
      {"100000", "壹拾万元"},
      {"100000001", "壹亿零壹元"},
      {"100050000", "壹亿零伍万元"},
      {" 1234.56 ", "壹仟贰佰叁拾肆元伍角陆分"},
      {"1.05", "壹元零伍分"},
      {"1.5", "壹元伍角"},
      {"0.05", "伍分"},
      {"0.105", "壹角零伍厘"},
      {"0.0", "零元"},
  };
  for (const auto& [in, out] : ok) {
    std::string erro = "stale";
    EXPECT_EQ(TvqLib::GetRMB(in, erro), out) << in;
    EXPECT_EQ(erro, "") << in;
  }
  const std::pair<std::string, std::string> bad[] = {
      {"12a", "第3位包含非数字字符"},
      {"1.2.3", "太多小数点！"},
      {"1.2345", "小数点后位数超过3!"},
      {"05", "第1位不能为\"0\"或者是\".\""},
      {".5", "第1位不能为\"0\"或者是\".\""},
  };
  for (const auto& [in, reason] : bad) {
    std::string erro;
    EXPECT_EQ(TvqLib::GetRMB(in, erro), "") << in;
    EXPECT_EQ(erro, reason) << in;
  }
}

// Random texts have the asked length and draw only from the pool of their type.
TEST(VqLibTextRandom, PoolsAndBounds) {
  EXPECT_EQ(TvqLib::GetRandStr(0, 1), "");
  const std::pair<int, std::string> pools[] = {
      {1, "0123456789"},
      {2, "abcdefghijklmnopqrstuvwxyz"},
      {7, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"},
  };
  for (const auto& [type, pool] : pools) {
    const std::string s = TvqLib::GetRandStr(64, type);
    ASSERT_EQ(s.size(), 64u);
    EXPECT_EQ(s.find_first_not_of(pool), std::string::npos) << type;
  }
  for (int i = 0; i < 50; ++i) {
    const int n = TvqLib::GetRandom(10, 8);
    EXPECT_GE(n, 8);
    EXPECT_LE(n, 10);
  }
}

// File bytes to Base64 and to a comma list, and the list back to the same bytes.
TEST(VqLibTextFiles, ImageBytesRoundTrip) {
  vqtest::TempDir dir;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  vqtest::WriteFileBytes(dir.file("a.jpg"), bytes);

  const std::string b64 = TvqLib::GetImgBase64(dir.file("a.jpg"));
  EXPECT_EQ(b64.find_first_of("\r\n"), std::string::npos);
  const std::string list = TvqLib::GetImgBytes(dir.file("a.jpg"));
  EXPECT_EQ(list.substr(0, 12), "0,1,2,3,4,5,");
  ASSERT_TRUE(TvqLib::GetImgFromBytes(" " + list + "\r\n", dir.file("b.jpg")));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("b.jpg")), bytes);

  ASSERT_TRUE(TvqLib::GetImgFromBytes("1, x ,258", dir.file("c.bin")));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("c.bin")), std::string("\x01\x00\x02", 3));

  EXPECT_THROW((void)TvqLib::GetImgBase64(dir.file("missing.jpg")), std::runtime_error);
}

}  // namespace
}  // namespace tessaly
