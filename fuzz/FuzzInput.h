#pragma once
// What every harness shares: cutting one fuzz input into a choice and texts, a scratch folder,
// and the check that turns a broken property into a crash the fuzzer keeps.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vqfuzz {

// Reads an input front to back: single bytes for choices, then texts. A text is preceded by
// its length byte; the last text takes whatever is left. Reading past the end gives 0 and "".
class TFuzzInput {
 public:
  TFuzzInput(const std::uint8_t* aData, std::size_t aSize) : FData(aData), FSize(aSize) {}

  [[nodiscard]] std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  [[nodiscard]] std::string Text() {
    const std::size_t n = Byte();
    const std::size_t take = n < FSize - FPos ? n : FSize - FPos;
    std::string out(reinterpret_cast<const char*>(FData) + FPos, take);
    FPos += take;
    return out;
  }
  [[nodiscard]] std::string Rest() {
    std::string out(reinterpret_cast<const char*>(FData) + FPos, FSize - FPos);
    FPos = FSize;
    return out;
  }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

// A folder of this process under the system's temporary folder, made on first use and removed
// at exit; for harnesses whose parser reads files.
[[nodiscard]] const std::string& ScratchDir();

// The whole file, empty when it cannot be read.
[[nodiscard]] std::string FileBytes(const std::string& aPath);

// Ends the run with the broken property, so the fuzzer keeps the input as a finding.
[[noreturn]] inline void Fail(const char* aWhat, const std::string& aDetail) {
  std::fprintf(stderr, "fuzz check failed: %s\n%s\n", aWhat, aDetail.c_str());
  std::abort();
}

}  // namespace vqfuzz

#define FUZZ_CHECK(cond, detail)               \
  do {                                         \
    if (!(cond)) ::vqfuzz::Fail(#cond, detail); \
  } while (false)
