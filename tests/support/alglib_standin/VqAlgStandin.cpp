#include "VqAlgStandin.h"

#include <cstring>
#include <string>

namespace {

constexpr std::size_t kOutputSize = 20480;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 with the result in out, 0 for a marker, bad hex or an output too large.
int Run(const char* src, const char* key, char* out, bool encrypt) {
  const std::string s(src), k(key);
  if (s.rfind(vqtest::kAlgStandinFailMarker, 0) == 0 || k.empty()) return 0;
  if (s.rfind(vqtest::kAlgStandinFillMarker, 0) == 0) {
    std::memset(out, 'A', kOutputSize);
    return 1;
  }
  std::string r;
  if (encrypt) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < s.size(); ++i) {
      const auto b = static_cast<unsigned char>(s[i] ^ k[i % k.size()]);
      r += kDigits[b >> 4];
      r += kDigits[b & 15];
    }
  } else {
    if (s.size() % 2 != 0) return 0;
    for (std::size_t i = 0; i < s.size(); i += 2) {
      const int hi = HexValue(s[i]), lo = HexValue(s[i + 1]);
      if (hi < 0 || lo < 0) return 0;
      r += static_cast<char>((hi << 4 | lo) ^ k[(i / 2) % k.size()]);
    }
  }
  if (r.size() + 1 > kOutputSize) return 0;
  std::memcpy(out, r.c_str(), r.size() + 1);
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int VqAESEncrypt2(const char* src, const char* key, char* out) {
  return Run(src, key, out, true);
}

extern "C" __attribute__((visibility("default"))) int VqAESDecrypt2(const char* src, const char* key, char* out) {
  return Run(src, key, out, false);
}
