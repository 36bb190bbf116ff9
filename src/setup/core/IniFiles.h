#pragma once
// INI files of the setup program, read and written through the host's profile functions in the
// ANSI code page (GBK): the embedded configuration, the uninstall entry's mirror file and the
// configuration items of installed products. The object holds only the file name; every call
// goes to the file. Reads never fail; writes and section erasure that the file refuses throw
// EIniFileException. The setup program uses these from its UI thread.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "setup/core/SetupClock.h"

namespace orvane {

class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The longest value a read returns, in GBK bytes (the profile read's 2048-byte buffer).
inline constexpr std::size_t kIniValueMaxBytes = 2047;

// The text operations, and the typed ones built on them.
class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName);
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  [[nodiscard]] const std::string& FileName() const { return fileName_; }

  // The value, or `def` when the file, section or key is missing; at most kIniValueMaxBytes GBK
  // bytes, cut before a character that would not fit whole.
  [[nodiscard]] virtual std::string ReadString(const std::string& section, const std::string& ident,
                                               const std::string& def) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value) = 0;
  // Clears `list` and fills it with the section names, in file order.
  virtual void ReadSections(std::vector<std::string>& list) = 0;
  // Clears `list` and fills it with the section's key names, in file order, however many.
  virtual void ReadSection(const std::string& section, std::vector<std::string>& list) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  // Failure is not reported.
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;

  // Clears `list` and fills it with "key=value" per key, each value read by its key, so a key
  // that occurs twice shows the first occurrence's value both times.
  virtual void ReadSectionValues(const std::string& section, std::vector<std::string>& list) = 0;

  // Decimal, or hexadecimal after "0x"/"0X" when the value is longer than two characters;
  // anything else (out-of-range numbers too) gives `def`.
  [[nodiscard]] int ReadInteger(const std::string& section, const std::string& ident, int def);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  // An integer that is not 0; written as "1" or "0".
  [[nodiscard]] bool ReadBool(const std::string& section, const std::string& ident, bool def);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // The program's own forms (SetupDateTime.h); an empty or unreadable value gives `def`.
  [[nodiscard]] TDateTime ReadDate(const std::string& section, const std::string& ident, TDateTime def);
  [[nodiscard]] TDateTime ReadDateTime(const std::string& section, const std::string& ident, TDateTime def);
  [[nodiscard]] TDateTime ReadTime(const std::string& section, const std::string& ident, TDateTime def);
  void WriteDate(const std::string& section, const std::string& ident, TDateTime value);
  void WriteDateTime(const std::string& section, const std::string& ident, TDateTime value);
  void WriteTime(const std::string& section, const std::string& ident, TDateTime value);
  // A decimal number with "." (exponent allowed); empty or unreadable gives `def`.
  [[nodiscard]] double ReadFloat(const std::string& section, const std::string& ident, double def);
  void WriteFloat(const std::string& section, const std::string& ident, double value);
  // Bytes as two upper-case hexadecimal digits each. Reading decodes pairs up to the first one
  // that is not hexadecimal (an odd last digit is dropped) and returns the byte count.
  std::size_t ReadBinaryStream(const std::string& section, const std::string& ident, std::string& bytes);
  void WriteBinaryStream(const std::string& section, const std::string& ident, const std::string& bytes);

 private:
  std::string fileName_;
};

// Over the host's ANSI profile functions. A file name without a folder lies in the Windows
// folder, as on Windows.
class TIniFile final : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  ~TIniFile() override;

  [[nodiscard]] std::string ReadString(const std::string& section, const std::string& ident,
                                       const std::string& def) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSections(std::vector<std::string>& list) override;
  void ReadSection(const std::string& section, std::vector<std::string>& list) override;
  // One read of the file for the whole section: key-by-key reads would read a section of
  // thousands of files once per key.
  void ReadSectionValues(const std::string& section, std::vector<std::string>& list) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // The host writes every change at once, so there is nothing left to flush.
  void UpdateFile() override;
};

}  // namespace orvane
