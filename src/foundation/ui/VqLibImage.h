#pragma once
// Picture helpers of the utility library that need Qt's image readers and writers. Free of
// shared state; any thread may call, no QGuiApplication is needed.
#include <string>

namespace tessaly::TvqLib {

// JPEG quality (0-100) of GetImgBase64's square picture: small enough to send, with no visible
// blocks at the sizes sent.
inline constexpr int kImgJpegQuality = 90;

// The picture in aImgFile (a host or Windows path; PNG, JPEG or any other format Qt reads) drawn
// stretched, aspect ratio not kept, into a square whose side is its shorter edge, or aMinSize
// when that is larger, compressed as JPEG of kImgJpegQuality and returned in Base64 on one line.
// Transparent parts come out white. aFileMaxSize is not used.
// Throws std::runtime_error, which the caller must catch before its subsystem's boundary:
// "压缩出错，" + reason when the picture cannot be read (missing file, not a picture), drawn or
// compressed; "编码出错，" + reason when the Base64 encoding fails.
[[nodiscard]] std::string GetImgBase64(const std::string& aImgFile, int aMinSize, int aFileMaxSize);

}  // namespace tessaly::TvqLib
