// The block function comes from OpenSSL's low-level DES API: OpenSSL 3 offers single DES through
// EVP only with the legacy provider, which would hide the default algorithms when loaded alone.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "foundation/VqDESUtil.h"

#include <openssl/des.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "foundation/VqCipherCommon.h"

namespace tessaly {
namespace {

using Block = unsigned char[8];

bool IsBlockMode(int Mode) { return Mode == kDesModeEcb || Mode == kDesModeCbc || Mode == kDesModeCbc2; }
bool IsStreamMode(int Mode) { return Mode == kDesModeCfb || Mode == kDesModeOfb || Mode == kDesModeCtr; }

class DesBlockFunction {
 public:
  DesBlockFunction(const std::string& key, bool forward) : triple_(key.size() >= 24), forward_(forward) {
    SetKey(key, 0, ks1_);
    if (triple_) {
      SetKey(key, 8, ks2_);
      SetKey(key, 16, ks3_);
    }
  }

  void Run(const Block& in, Block& out) {
    DES_cblock i, o;
    std::memcpy(i, in, 8);
    const int enc = forward_ ? DES_ENCRYPT : DES_DECRYPT;
    if (triple_)
      DES_ecb3_encrypt(&i, &o, &ks1_, &ks2_, &ks3_, enc);
    else
      DES_ecb_encrypt(&i, &o, &ks1_, enc);
    std::memcpy(out, o, 8);
  }

 private:
  // Bytes [from, from + 8) of the key, zero-filled where it is shorter.
  static void SetKey(const std::string& key, std::size_t from, DES_key_schedule& ks) {
    DES_cblock k = {};
    if (from < key.size()) std::memcpy(k, key.data() + from, std::min<std::size_t>(8, key.size() - from));
    DES_set_key_unchecked(&k, &ks);
  }

  bool triple_, forward_;
  DES_key_schedule ks1_{}, ks2_{}, ks3_{};
};

void FillPadding(Block& data, std::int64_t have, int Padding, std::int64_t P) {
  const auto p = static_cast<unsigned char>(P);
  switch (Padding) {
    case kDesPadPkcs5:
    case kDesPadPkcs5b:
      std::fill(data + have, data + 8, p);
      break;
    case kDesPadIso10126: {
      std::random_device rd;
      std::uniform_int_distribution<int> byte(0, 254);
      for (std::int64_t k = have; k < 7; ++k) data[k] = static_cast<unsigned char>(byte(rd));
      data[7] = p;
      break;
    }
    case kDesPadAnsiX923:
      std::fill(data + have, data + 8, 0);
      data[7] = p;
      break;
    default:
      std::fill(data + have, data + 8, 0);
  }
}

// Bytes of the last decrypted block that remain once its padding is gone.
std::int64_t UnpaddedLength(const Block& out, int Padding) {
  if (Padding == kDesPadZero) {
    std::int64_t n = 8;
    while (n > 0 && out[n - 1] == 0) --n;
    return n == 0 ? 8 : n;  // a block of zeros is data, not padding
  }
  const int last = out[7];
  return last >= 1 && last <= 8 ? 8 - last : 8;
}

void IncrementLittleEndian(Block& reg) {
  for (unsigned char& b : reg)
    if (++b != 0) break;
}

}  // namespace

std::string NormalizeLineBreaksEx(const std::string& text, int type) {
  switch (type) {
    case 0: return text;
    case 1: return ReplaceLineBreaks(text, "\r\n");
    case 3: return ReplaceLineBreaks(text, "\r");
    case 4: return ReplaceLineBreaks(text, "");
    default: return ReplaceLineBreaks(text, "\n");
  }
}

void ShiftFeedbackRegister(unsigned char (&aRegister)[8], const unsigned char* aBytes, int aCount) {
  const int n = std::clamp(aCount, 0, 8);
  std::memmove(aRegister, aRegister + n, static_cast<std::size_t>(8 - n));
  std::memcpy(aRegister + (8 - n), aBytes, static_cast<std::size_t>(n));
}

void DesCryptStream(bool Encrypt, std::istream* InStream, std::ostream* OutStream, std::int64_t Count,
                    const std::string& Key, const std::string& IV, int Padding, int Mode, int SegmentSize,
                    bool Utf16, const TDesProgressEvent& OnProgress, TDesProgressProc OnProgressProc) {
  if (InStream == nullptr) throw std::invalid_argument("Error: InStream is nil.");
  if (OutStream == nullptr) throw std::invalid_argument("Error: OutStream is nil.");
  const bool block = IsBlockMode(Mode);
  if (!block && !IsStreamMode(Mode)) return;

  const std::int64_t L = CipherStreamLength(*InStream, Count);
  std::int64_t P = 0;
  if (Encrypt && !(Padding == kDesPadNone && !block)) P = (Padding == kDesPadZero && L % 8 == 0) ? 0 : 8 - L % 8;
  const std::int64_t total = L + P + 3;
  bool cancel = false;
  const auto report = [&](std::int64_t pos) {
    if (OnProgress) OnProgress(nullptr, cancel, 0, total, pos);
    if (OnProgressProc != nullptr) OnProgressProc(cancel, 0, total, pos);
    return cancel;
  };
  if (report(0)) return;

  Block reg = {};
  std::memcpy(reg, IV.data(), std::min<std::size_t>(8, IV.size()));
  DesBlockFunction cipher(Key, Encrypt || !block);
  if (report(1)) return;

  const bool cbc = Mode == kDesModeCbc || Mode == kDesModeCbc2;
  Block chain = {};
  if (cbc) std::memcpy(chain, reg, 8);
  if (report(2)) return;

  const int segment = ((SegmentSize % 8) + 8) % 8;
  const std::int64_t step = block || segment == 0 ? 8 : segment;
  std::int64_t processed = 0, consumed = 0;
  while (processed < L + P) {
    Block data, in, out;
    const std::int64_t want = std::min(step, std::max<std::int64_t>(L - consumed, 0));
    InStream->read(reinterpret_cast<char*>(data), want);
    const std::int64_t got = InStream->gcount();
    consumed += got;
    if (got < 8) FillPadding(data, got, Padding, P);

    std::memcpy(in, block ? data : reg, 8);
    if (cbc && Encrypt)
      for (int k = 0; k < 8; ++k) in[k] ^= chain[k];
    cipher.Run(in, out);
    if (cbc && Encrypt) {
      std::memcpy(chain, out, 8);
    } else if (cbc) {
      for (int k = 0; k < 8; ++k) out[k] ^= chain[k];
      std::memcpy(chain, data, 8);
    } else if (!block) {
      if (Mode == kDesModeOfb) ShiftFeedbackRegister(reg, out, static_cast<int>(step));
      if (Mode == kDesModeCtr) IncrementLittleEndian(reg);
      for (int k = 0; k < 8; ++k) out[k] ^= data[k];
      if (Mode == kDesModeCfb) ShiftFeedbackRegister(reg, Encrypt ? out : data, static_cast<int>(step));
    }
    // A short stream segment counts as what it is, so smaller segments still cover the input.
    processed += block ? 8 : step;

    std::int64_t write = got;
    if (block && Padding != kDesPadNone) write = !Encrypt && consumed >= L ? UnpaddedLength(out, Padding) : 8;
    if (Utf16 && write % 2 == 1) ++write;
    OutStream->write(reinterpret_cast<const char*>(out), write);
    if (report(std::min(total, 3 + processed))) return;
  }
}

}  // namespace tessaly
