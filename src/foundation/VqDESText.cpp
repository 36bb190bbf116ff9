#include "foundation/VqDESText.h"

#include <sstream>

#include "foundation/Base64Util.h"
#include "foundation/VqCipherCommon.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

std::string Utf16Bytes(const std::string& text, bool bigEndian) {
  std::string out;
  for (const char16_t u : platform::Utf8ToUtf16(text)) {
    const auto hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

std::string Encode(const std::string& text, TDesEncoding enc) {
  switch (enc) {
    case TDesEncoding::Ansi: return platform::Utf8ToCp936(text);
    case TDesEncoding::Utf16LE: return Utf16Bytes(text, false);
    case TDesEncoding::Utf16BE: return Utf16Bytes(text, true);
    default: return text;
  }
}

// Empty when the bytes are not a text of that encoding.
std::string Decode(const std::string& bytes, TDesEncoding enc) {
  switch (enc) {
    case TDesEncoding::Ansi: return platform::Cp936ToUtf8(bytes);
    case TDesEncoding::Utf16LE:
    case TDesEncoding::Utf16BE:
      if (bytes.size() % 2 != 0) return std::string();
      return platform::Utf16BytesToUtf8(bytes, enc == TDesEncoding::Utf16BE);
    default: return platform::IsValidUtf8(bytes) ? bytes : std::string();
  }
}

// The fixed choices of the CBC wrappers.
constexpr int kCbcLineBreaks = 1;  // CR LF
constexpr int kCbcSegmentSize = 16;

}  // namespace

void DesCryptPrepare(bool Encrypt, std::istream* InStream, std::ostream* OutStream, std::int64_t Count,
                     const std::string& Key, TDesEncoding KeyEncoding, int KeyLineBreakType, const std::string& IV,
                     int Padding, int Mode, int SegmentSize, bool Utf16, const TDesProgressEvent& OnProgress,
                     TDesProgressProc OnProgressProc) {
  const std::string key = Encode(KeyLineBreakType != 0 ? NormalizeLineBreaksEx(Key, KeyLineBreakType) : Key,
                                 KeyEncoding);
  DesCryptStream(Encrypt, InStream, OutStream, Count, key, AsciiBytes(IV), Padding, Mode, SegmentSize, Utf16,
                 OnProgress, OnProgressProc);
}

std::string DesEncryptText(const std::string& Text, const std::string& Key, TDesEncoding TextEncoding,
                           TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode, int SegmentSize,
                           int TextLineBreakType, int KeyLineBreakType, const TDesProgressEvent& OnProgress,
                           TDesProgressProc OnProgressProc) {
  const std::string text = TextLineBreakType != 0 ? NormalizeLineBreaksEx(Text, TextLineBreakType) : Text;
  std::istringstream in(Encode(text, TextEncoding));
  std::ostringstream out;
  DesCryptPrepare(true, &in, &out, 0, Key, KeyEncoding, KeyLineBreakType, IV, Padding, Mode, SegmentSize,
                  TextEncoding == TDesEncoding::Utf16LE, OnProgress, OnProgressProc);
  return out.str();
}

std::string DesDecryptBytes(const std::string& Bytes, const std::string& Key, TDesEncoding TextEncoding,
                            TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode, int SegmentSize,
                            int TextLineBreakType, int KeyLineBreakType, const TDesProgressEvent& OnProgress,
                            TDesProgressProc OnProgressProc) {
  std::istringstream in(Bytes);
  std::ostringstream out;
  DesCryptPrepare(false, &in, &out, 0, Key, KeyEncoding, KeyLineBreakType, IV, Padding, Mode, SegmentSize,
                  TextEncoding == TDesEncoding::Utf16LE, OnProgress, OnProgressProc);
  const std::string text = Decode(out.str(), TextEncoding);
  return TextLineBreakType != 0 ? NormalizeLineBreaksEx(text, TextLineBreakType) : text;
}

std::string DesEncryptToBase64(const std::string& Text, const std::string& Key, TDesEncoding TextEncoding,
                               TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode,
                               int SegmentSize, int TextLineBreakType, int KeyLineBreakType,
                               const TDesProgressEvent& OnProgress, TDesProgressProc OnProgressProc) {
  return BytesToBase64(DesEncryptText(Text, Key, TextEncoding, KeyEncoding, IV, Padding, Mode, SegmentSize,
                                      TextLineBreakType, KeyLineBreakType, OnProgress, OnProgressProc));
}

std::string DesDecryptFromBase64(const std::string& Base64, const std::string& Key, TDesEncoding TextEncoding,
                                 TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode,
                                 int SegmentSize, int TextLineBreakType, int KeyLineBreakType,
                                 const TDesProgressEvent& OnProgress, TDesProgressProc OnProgressProc) {
  return DesDecryptBytes(Base64ToBytes(Base64), Key, TextEncoding, KeyEncoding, IV, Padding, Mode, SegmentSize,
                         TextLineBreakType, KeyLineBreakType, OnProgress, OnProgressProc);
}

std::string BytesToBase64(const std::string& Bytes) { return EncodeBase64Bytes(Bytes); }
std::string Base64ToBytes(const std::string& Base64) { return DecodeBase64Bytes(Base64); }

std::string DesCbcEncrypt(const std::string& aData, const std::string& aKey) {
  return DesEncryptToBase64(TrimControls(aData), aKey, TDesEncoding::Utf8, TDesEncoding::Utf8, aKey, kDesPadPkcs5b,
                            kDesModeCbc, kCbcSegmentSize, kCbcLineBreaks, kCbcLineBreaks);
}

std::string DesCbcDecrypt(const std::string& aData, const std::string& aKey) {
  return DesDecryptFromBase64(TrimControls(aData), aKey, TDesEncoding::Utf8, TDesEncoding::Utf8, aKey,
                              kDesPadPkcs5b, kDesModeCbc, kCbcSegmentSize, kCbcLineBreaks, kCbcLineBreaks);
}

}  // namespace tessaly
