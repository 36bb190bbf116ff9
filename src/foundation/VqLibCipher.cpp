#include "foundation/VqLibCipher.h"

#include <exception>

#include "foundation/VqAESUtil.h"
#include "foundation/VqDESText.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"

namespace tessaly::TvqLib {
namespace {

constexpr int kLf = 1;

template <typename F>
std::string Guarded(const char* logPrefix, F&& f) {
  try {
    return f();
  } catch (const std::exception& e) {
    Log(logPrefix + std::string(e.what()));
  } catch (...) {
    Log(logPrefix + std::string("unknown error"));
  }
  return std::string();
}

}  // namespace

std::string AESEncrypt(const std::string& aData, const std::string& aKey) {
  return Guarded("AESEncrypt出错：",
                 [&] { return AesEncryptToHex(aData, aKey, kAesKeySize128, true, kLf, false, kLf); });
}

std::string AESDecrypt(const std::string& aData, const std::string& aKey) {
  return Guarded("AESDecrypt出错：", [&] {
    return TrimControls(AesDecryptFromHex(aData, aKey, kAesKeySize128, true, kLf, false, kLf));
  });
}

std::string DESEncrypt(const std::string& aData, const std::string& aKey) {
  return Guarded("VqEncryptHelper.DESEncrypt出错：", [&] { return DesCbcEncrypt(aData, aKey); });
}

std::string DESDecrypt(const std::string& aData, const std::string& aKey) {
  return Guarded("VqEncryptHelper.DESDecry出错：", [&] { return DesCbcDecrypt(aData, aKey); });
}

}  // namespace tessaly::TvqLib
