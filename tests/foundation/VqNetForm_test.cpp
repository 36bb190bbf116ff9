#include <gtest/gtest.h>

#include <string>

#include "foundation/VqNetUtil.h"

namespace {

namespace net = tessaly::TVqNet;

struct Coded {
  const char* in;
  const char* out;
};

// Letters, digits and "*-._" stay, a blank is "+", every other UTF-8 byte is upper-case %XX.
TEST(VqNetForm, FormEncodeKeepsOnlyTheSafeSetAndEscapesEveryOtherByte) {
  const Coded cases[] = {
      {"", ""},
      {"AZaz09", "AZaz09"},
      {"*-._", "*-._"},
      {" ", "+"},
      {"a b  c", "a+b++c"},
      {"~", "%7E"},
      {"+", "%2B"},
      {"=", "%3D"},
      {"&", "%26"},
      {"%", "%25"},
      {"/?#", "%2F%3F%23"},
      {"{\"a\":1,\"b\":[]}", "%7B%22a%22%3A1%2C%22b%22%3A%5B%5D%7D"},
      {"\\u4E2D", "%5Cu4E2D"},
      {"\r\n\t", "%0D%0A%09"},
      {"\x7f", "%7F"},
      {"中", "%E4%B8%AD"},
      {"é", "%C3%A9"},
      {"😀", "%F0%9F%98%80"},
      {"\xff", "%FF"},
  };
  for (const Coded& c : cases) EXPECT_EQ(net::FormEncode(c.in), c.out) << "input: " << c.in;
}

// Each line of the parameter text is one field; name and value are encoded apart, split at the
// first "=", and the fields are joined by "&".
TEST(VqNetForm, FormBodyTurnsLinesIntoFields) {
  const Coded cases[] = {
      {"json={\"softid\":12}\r\nmd5=0123abcd", "json=%7B%22softid%22%3A12%7D&md5=0123abcd"},
      {"action=pos\r\njson={}\r\nmd5=ff", "action=pos&json=%7B%7D&md5=ff"},
      {"a=1\nb=2\rc=3", "a=1&b=2&c=3"},
      {"a=b=c", "a=b%3Dc"},
      {"=x", "=x"},
      {"x=", "x="},
      {"no value", "no+value"},
      {"my name=张 三", "my+name=%E5%BC%A0+%E4%B8%89"},
      {"a=1\r\n", "a=1"},
      {"a=1\r\n\r\nb=2", "a=1&&b=2"},
      {"", ""},
  };
  for (const Coded& c : cases) EXPECT_EQ(net::FormBody(c.in), c.out) << "input: " << c.in;
}

// The platform client's answers: "+" is a blank, %XX a byte of UTF-8 text, a broken escape stays.
TEST(VqNetForm, UrlDecodeReadsPlusAndEscapes) {
  const Coded cases[] = {
      {"a+b", "a b"},
      {"%E4%B8%AD%E6%96%87", "中文"},
      {"%e4%b8%ad", "中"},
      {"%41%2B%25", "A+%"},
      {"100%", "100%"},
      {"%4", "%4"},
      {"%G1", "%G1"},
      {"{\"a\":\"b\"}", "{\"a\":\"b\"}"},
      {"", ""},
  };
  for (const Coded& c : cases) EXPECT_EQ(net::UrlDecode(c.in), c.out) << "input: " << c.in;
}

}  // namespace
