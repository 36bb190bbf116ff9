#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/VqNetUtil.h"
#include "platform/TextLines.h"

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

// A plain encoding to hold the encoder to: each byte on its own, then the lines split apart,
// each split at its first "=" and joined by "&".
std::string ReferenceEncode(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", c);
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      std::string_view("*-._").find(ch) != std::string_view::npos;
    out += kept ? std::string(1, ch) : c == ' ' ? std::string("+") : std::string(escape);
  }
  return out;
}

std::string ReferenceBody(const std::string& param) {
  std::string body;
  const std::vector<std::string> lines = platform::SplitTextLines(param);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) body += '&';
    const std::size_t eq = lines[i].find('=');
    body += eq == std::string::npos
                ? ReferenceEncode(lines[i])
                : ReferenceEncode(lines[i].substr(0, eq)) + "=" + ReferenceEncode(lines[i].substr(eq + 1));
  }
  return body;
}

// The encoder gives the plain encoding's bytes for reserved characters, Chinese, "%", "+",
// blanks, "~", control bytes, every byte value, empty names and values and every kind of line end.
TEST(VqNetForm, FormBodyMatchesPlainEncodingOnTrickyBytes) {
  std::string allBytes;
  for (int c = 0; c < 256; ++c) allBytes += static_cast<char>(c);
  const std::string params[] = {
      "json={\"a\":\"b&c=d\",\"e\":[1,2]}\r\nmd5=0a1b",
      "json=!#$&'()*+,/:;=?@[]\r\nmd5=",
      "name=商品名称😀\r\nnote=中文 与 English",
      "a=100%\r\nb=%25%\r\nc=%",
      "a=1+1\r\nb= + \r\nc=~tilde~",
      "  lead=trail  ",
      "ctl=\x01\x02\x1f\x7f\t",
      "=\r\n=\r\nx=\r\n=y",
      "\r\n\r\n",
      "\n\r",
      "a\r\rb\n\nc\r\n\n",
      "only text, no field",
      "json=" + allBytes,
      allBytes,
      "",
  };
  for (const std::string& param : params) EXPECT_EQ(net::FormBody(param), ReferenceBody(param)) << "input: " << param;
  EXPECT_EQ(net::FormEncode(allBytes), ReferenceEncode(allBytes));
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
