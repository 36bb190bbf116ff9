#pragma once
// The data-transforming part of the utility library: digests, Base64, the fixed-key character
// scrambler, the front-ends of the outside algorithm library, and the small text helpers of the
// dialogs. Texts are UTF-8; where a helper counts characters it counts UTF-16 code units, and
// "the ANSI code page" is code page 936.
// Every function is free of shared state and may run on any thread at once, except that the
// outside-library front-ends read what LoadVqAlgLibrary (VqAlgLibrary.h) set up at start-up.
#include <string>

namespace tessaly::TvqLib {

// Digests of the UTF-8 bytes, in lower-case hex.
[[nodiscard]] std::string GetMd5(const std::string& aSrc);
[[nodiscard]] std::string GetHMd5(const std::string& aSrc, const std::string& aKey);  // HMAC-MD5
[[nodiscard]] std::string StrSha1(const std::string& aSrc);
[[nodiscard]] std::string StrSha2(const std::string& aSrc);  // SHA-256

// The UTF-8 bytes in Base64 on one line, and back (see Base64Util.h for malformed input).
[[nodiscard]] std::string ToBase64(const std::string& aData);
[[nodiscard]] std::string FoBase64(const std::string& aBase64);

// The fixed-key scrambler; the byte step is its own inverse. StrToXOR drops each character whose
// low byte equals the key letter of its position; StrFoXOR keeps every one (a NUL for such).
[[nodiscard]] std::string StrToXOR(const std::string& aData);
[[nodiscard]] std::string StrFoXOR(const std::string& aData);

// Front-ends of the outside algorithm library. An empty text when the library is not loaded,
// when the source does not fit its buffer, or when the library reports failure; the first two
// and any error are logged (always).
[[nodiscard]] std::string GetVqDecrypt(const std::string& sSour);
[[nodiscard]] std::string GetVqEncrypt(const std::string& sSour);

// The file's bytes in Base64 on one line. Throws std::runtime_error when it cannot be read.
[[nodiscard]] std::string GetImgBase64(const std::string& aImgFile);
// The file's bytes as decimal numbers joined by commas. Throws std::runtime_error when it cannot
// be read.
[[nodiscard]] std::string GetImgBytes(const std::string& aImgFile);
// Writes the comma list back as bytes (an item that is not a number gives 0, a larger number its
// low byte). True when the file was written.
bool GetImgFromBytes(const std::string& aData, const std::string& aImgFile);

// The part of aSrc after the first aTag1 and before the first aTag2 after it; an empty tag means
// "from the start" or "to the end". Empty when both tags are empty or a given tag is absent.
[[nodiscard]] std::string GetTagStr(const std::string& aSrc, const std::string& aTag1, const std::string& aTag2);

// Combo items "name padded to aLen characters" + id, and the pieces read back from them.
[[nodiscard]] std::string GetCbbNameId(const std::string& aName, const std::string& aId, int aLen);
// Characters from position aLen (counted from 1) on, trimmed.
[[nodiscard]] std::string GetCbbId(const std::string& aText, int aLen);
// The first aLen characters, trimmed.
[[nodiscard]] std::string GetCbbName(const std::string& aText, int aLen);

// An SQL string literal: single quotes around, quotes inside doubled; N in front when the text
// holds a character outside ASCII, so that the server keeps it whatever its code page. A NUL
// inside is joined in as CHAR(0) (NCHAR(0)), the whole in parentheses: drivers end the
// statement text at a NUL.
[[nodiscard]] std::string SqlStr(const std::string& aSql);
// Padded with aChar (a single-byte character) on the left / right to aLen characters; never shortened.
[[nodiscard]] std::string FillLStr(const std::string& aStr, int aLen, char aChar);
[[nodiscard]] std::string FillRStr(const std::string& aStr, int aLen, char aChar);
// Right-aligned in aWidth characters (a longer text keeps its last aWidth) / left-aligned
// (a longer text keeps its first aWidth).
[[nodiscard]] std::string FormatLeft(const std::string& aStr, int aWidth, char aChar);
[[nodiscard]] std::string FormatRight(const std::string& aStr, int aWidth, char aChar);

// Every UTF-16 code unit as "\u" and four lower-case hex digits, and back; an escape that is not
// followed by four hex digits is copied as it stands.
[[nodiscard]] std::string AnsiToUnicode(const std::string& aAnsiStr);
[[nodiscard]] std::string UnicodeToAnsi(const std::string& aSubUnicode);

// A number from 1 to aMax (1 when aMax is below 1), at least aMin when aMin is below aMax.
[[nodiscard]] int GetRandom(int aMax, int aMin = 0);
// aStrLen random characters: type 1 digits, type 2 lower-case letters, else letters and digits.
[[nodiscard]] std::string GetRandStr(int aStrLen, int aType);

// A decimal amount in Chinese upper-case money writing; on bad input an empty text and the
// reason in aErro (aErro is emptied otherwise).
[[nodiscard]] std::string GetRMB(const std::string& strRmb, std::string& aErro);

}  // namespace tessaly::TvqLib
