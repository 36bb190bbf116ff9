#pragma once
// Texts through the DES engine (VqDESUtil.h): encoding, line breaks, Base64 on the cipher side,
// and the fixed CBC wrappers behind TvqLib::DESEncrypt/DESDecrypt. No shared state.
#include <string>

#include "foundation/VqDESUtil.h"

namespace tessaly {

// How a text becomes bytes; Default is UTF-8.
enum class TDesEncoding { Default, Utf8, Ansi, Utf16LE, Utf16BE };

// The key text (line breaks folded by KeyLineBreakType unless 0, encoded with KeyEncoding) and
// the ASCII bytes of the IV text, then DesCryptStream with the other arguments.
void DesCryptPrepare(bool Encrypt, std::istream* InStream, std::ostream* OutStream, std::int64_t Count,
                     const std::string& Key, TDesEncoding KeyEncoding, int KeyLineBreakType, const std::string& IV,
                     int Padding, int Mode, int SegmentSize, bool Utf16, const TDesProgressEvent& OnProgress,
                     TDesProgressProc OnProgressProc);

// Text to cipher bytes; the Utf16 flag of the engine follows a UTF-16 LE text encoding.
[[nodiscard]] std::string DesEncryptText(const std::string& Text, const std::string& Key, TDesEncoding TextEncoding,
                                         TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode,
                                         int SegmentSize, int TextLineBreakType, int KeyLineBreakType,
                                         const TDesProgressEvent& OnProgress = nullptr,
                                         TDesProgressProc OnProgressProc = nullptr);
// Cipher bytes to text; bytes the text encoding cannot read give an empty text.
[[nodiscard]] std::string DesDecryptBytes(const std::string& Bytes, const std::string& Key, TDesEncoding TextEncoding,
                                          TDesEncoding KeyEncoding, const std::string& IV, int Padding, int Mode,
                                          int SegmentSize, int TextLineBreakType, int KeyLineBreakType,
                                          const TDesProgressEvent& OnProgress = nullptr,
                                          TDesProgressProc OnProgressProc = nullptr);

// The same with the cipher side in Base64 on one line.
[[nodiscard]] std::string DesEncryptToBase64(const std::string& Text, const std::string& Key,
                                             TDesEncoding TextEncoding, TDesEncoding KeyEncoding,
                                             const std::string& IV, int Padding, int Mode, int SegmentSize,
                                             int TextLineBreakType, int KeyLineBreakType,
                                             const TDesProgressEvent& OnProgress = nullptr,
                                             TDesProgressProc OnProgressProc = nullptr);
[[nodiscard]] std::string DesDecryptFromBase64(const std::string& Base64, const std::string& Key,
                                               TDesEncoding TextEncoding, TDesEncoding KeyEncoding,
                                               const std::string& IV, int Padding, int Mode, int SegmentSize,
                                               int TextLineBreakType, int KeyLineBreakType,
                                               const TDesProgressEvent& OnProgress = nullptr,
                                               TDesProgressProc OnProgressProc = nullptr);

// Base64 without line breaks, and back (characters outside the alphabet are skipped).
[[nodiscard]] std::string BytesToBase64(const std::string& Bytes);
[[nodiscard]] std::string Base64ToBytes(const std::string& Base64);

// CBC with PKCS#5 padding; the key text (line breaks as CR LF, UTF-8) is also the IV (its ASCII
// bytes). The text is trimmed and its line breaks become CR LF; the cipher text is Base64.
[[nodiscard]] std::string DesCbcEncrypt(const std::string& aData, const std::string& aKey);
// The reverse: the text with CR LF line breaks.
[[nodiscard]] std::string DesCbcDecrypt(const std::string& aData, const std::string& aKey);

}  // namespace tessaly
