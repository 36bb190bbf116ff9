#pragma once
// The DES engine over streams: single DES for keys under 24 bytes (the first 8, zero-filled),
// triple DES in EDE form from 24 bytes (K1, K2, K3 = bytes 0-7, 8-15, 16-23).
// Modes: 0 ECB, 1 CBC, 2 CFB, 3 OFB, 4 counter, 5 CBC as well; 0, 1 and 5 are the block modes.
// Paddings: 0 zeros, 1 and 4 PKCS#5, 2 ISO 10126, 3 ANSI X9.23, 5 none. No shared state.
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>

namespace tessaly {

constexpr int kDesModeEcb = 0;
constexpr int kDesModeCbc = 1;
constexpr int kDesModeCfb = 2;
constexpr int kDesModeOfb = 3;
constexpr int kDesModeCtr = 4;
constexpr int kDesModeCbc2 = 5;

constexpr int kDesPadZero = 0;
constexpr int kDesPadPkcs5 = 1;
constexpr int kDesPadIso10126 = 2;
constexpr int kDesPadAnsiX923 = 3;
constexpr int kDesPadPkcs5b = 4;
constexpr int kDesPadNone = 5;

// Progress reports: Cancel (set it to stop after this report), the lower bound (always 0), the
// total and the position. The event also gets a sender, always nullptr. Called on the caller's
// thread.
using TDesProgressEvent = std::function<void(void* Sender, bool& Cancel, std::int64_t Min, std::int64_t Max,
                                             std::int64_t Position)>;
using TDesProgressProc = void (*)(bool& Cancel, std::int64_t Min, std::int64_t Max, std::int64_t Position);

// Line-break folding: type 0 unchanged, 1 CR LF, 2 LF, 3 CR, 4 removed, any other LF.
[[nodiscard]] std::string NormalizeLineBreaksEx(const std::string& text, int type);

// Moves the 8-byte register left by aCount bytes and fills its end with the first aCount bytes of aBytes.
void ShiftFeedbackRegister(unsigned char (&aRegister)[8], const unsigned char* aBytes, int aCount);

// Encrypts or decrypts Count bytes of InStream (0: all of it, from its start) into OutStream.
// Key and IV are byte strings (the IV truncated or zero-filled to 8). SegmentSize sets the step
// of the stream modes (modulo 8, 0 meaning 8); the register shifts by that step. With Utf16 an
// odd byte count to write gets one more byte. A cancel stops after the current report, keeping
// what was written; an unknown mode writes nothing. Throws std::invalid_argument for a missing
// stream, and nothing else.
void DesCryptStream(bool Encrypt, std::istream* InStream, std::ostream* OutStream, std::int64_t Count,
                    const std::string& Key, const std::string& IV, int Padding, int Mode, int SegmentSize,
                    bool Utf16, const TDesProgressEvent& OnProgress, TDesProgressProc OnProgressProc);

}  // namespace tessaly
