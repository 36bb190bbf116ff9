#include "setup/core/IniFiles.h"

#include <charconv>
#include <optional>
#include <unordered_map>
#include <utility>

#include "platform/Hex.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"
#include "setup/core/GbkText.h"
#include "setup/core/SetupDateTime.h"

namespace orvane {
namespace {

constexpr auto kAnsi = platform::ProfileCodePage::Ansi;

[[noreturn]] void ThrowWriteFailure(const std::string& file) {
  throw EIniFileException("Unable to write to " + file);
}

std::optional<int> ParseInteger(const std::string& text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    unsigned long long v = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data() + 2, end, v, 16);
    if (r.ec != std::errc() || r.ptr != end || v > 0xFFFFFFFFULL) return std::nullopt;
    // Eight hexadecimal digits are a 32-bit pattern: 0xFFFFFFFF is -1.
    return static_cast<int>(static_cast<std::uint32_t>(v));
  }
  std::string_view digits(text);
  if (!digits.empty() && digits[0] == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits[0] == '-') return std::nullopt;
  }
  int v = 0;
  const char* end = digits.data() + digits.size();
  const auto r = std::from_chars(digits.data(), end, v, 10);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return v;
}

}  // namespace

TCustomIniFile::TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) {
  return ParseInteger(ReadString(section, ident, "")).value_or(def);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

TDateTime TCustomIniFile::ReadDate(const std::string& section, const std::string& ident, TDateTime def) {
  return ParseDate(ReadString(section, ident, "")).value_or(def);
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& section, const std::string& ident, TDateTime def) {
  return ParseDateTime(ReadString(section, ident, "")).value_or(def);
}

TDateTime TCustomIniFile::ReadTime(const std::string& section, const std::string& ident, TDateTime def) {
  return ParseTime(ReadString(section, ident, "")).value_or(def);
}

void TCustomIniFile::WriteDate(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, DateText(value));
}

void TCustomIniFile::WriteDateTime(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, DateTimeText(value));
}

void TCustomIniFile::WriteTime(const std::string& section, const std::string& ident, TDateTime value) {
  WriteString(section, ident, TimeText(value));
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double def) {
  const std::string text = ReadString(section, ident, "");
  double v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  return (text.empty() || r.ec != std::errc() || r.ptr != end) ? def : v;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  WriteString(section, ident, std::string(buf, r.ptr));
}

std::size_t TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& ident,
                                             std::string& bytes) {
  const std::string text = ReadString(section, ident, "");
  bytes.clear();
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = platform::HexDigitValue(static_cast<unsigned char>(text[i]));
    const int lo = platform::HexDigitValue(static_cast<unsigned char>(text[i + 1]));
    if (hi < 0 || lo < 0) break;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return bytes.size();
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& ident,
                                       const std::string& bytes) {
  WriteString(section, ident, platform::HexOfBytes(bytes, platform::HexCase::Upper));
}

TIniFile::~TIniFile() { UpdateFile(); }

std::string TIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) {
  return GbkHead(platform::GetPrivateProfileString(section, ident, def, FileName(), kAnsi), kIniValueMaxBytes);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (!platform::WritePrivateProfileString(section, ident, value, FileName(), kAnsi)) ThrowWriteFailure(FileName());
}

void TIniFile::ReadSections(std::vector<std::string>& list) {
  list = platform::GetPrivateProfileSectionNames(FileName(), kAnsi);
}

void TIniFile::ReadSection(const std::string& section, std::vector<std::string>& list) {
  list = platform::GetPrivateProfileKeys(section, FileName(), kAnsi);
}

void TIniFile::ReadSectionValues(const std::string& section, std::vector<std::string>& list) {
  const auto lines = platform::GetPrivateProfileSection(section, FileName(), kAnsi);
  std::unordered_map<std::string, const std::string*> first;
  for (const auto& [key, value] : lines) first.emplace(platform::AsciiUpper(key), &value);
  list.clear();
  list.reserve(lines.size());
  for (const auto& line : lines)
    list.push_back(line.first + "=" + GbkHead(*first.at(platform::AsciiUpper(line.first)), kIniValueMaxBytes));
}

void TIniFile::EraseSection(const std::string& section) {
  if (!platform::DeletePrivateProfileSection(section, FileName(), kAnsi)) ThrowWriteFailure(FileName());
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  (void)platform::DeletePrivateProfileKey(section, ident, FileName(), kAnsi);
}

void TIniFile::UpdateFile() {}

}  // namespace orvane
