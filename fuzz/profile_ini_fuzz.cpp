// The private-profile reader and writer over any file contents. Oracles: a write of a plain
// key reads back as written and leaves every other key as it was; a value with a line break
// is refused and leaves the file untouched.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"

namespace {

bool IsName(const std::string& s) {
  if (s.empty()) return false;
  for (const unsigned char c : s)
    if (!(std::isalnum(c) || c == '_')) return false;
  return true;
}

// A value that reads back byte for byte: ASCII without controls, not trimmed, not quoted.
bool IsPlainValue(const std::string& v) {
  for (const unsigned char c : v)
    if (c < 0x20 || c >= 0x7F) return false;
  if (platform::TrimBlanks(v) != v) return false;
  return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace platform;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::string section = in.Text();
  const std::string key = in.Text();
  const std::string value = in.Text();
  const std::string otherSection = in.Text();
  const std::string otherKey = in.Text();
  const std::string contents = in.Rest();

  const std::string file = vqfuzz::ScratchDir() + "profile.ini";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;

  (void)GetPrivateProfileKeys(section, file);
  const std::string otherBefore = GetPrivateProfileString(otherSection, otherKey, "<none>", file);
  const bool written = WritePrivateProfileString(section, key, value, file);
  if ((section + key + value).find_first_of("\r\n") != std::string::npos) {
    FUZZ_CHECK(!written, value);
    FUZZ_CHECK(vqfuzz::FileBytes(file) == contents, value);
    return 0;
  }
  if (!written || !IsName(section) || !IsName(key) || !IsPlainValue(value)) return 0;
  FUZZ_CHECK(GetPrivateProfileString(section, key, "<none>", file) == value, vqfuzz::FileBytes(file));
  if (!SameText(section, otherSection) || !SameText(key, otherKey))
    FUZZ_CHECK(GetPrivateProfileString(otherSection, otherKey, "<none>", file) == otherBefore, vqfuzz::FileBytes(file));
  return 0;
}
