#include "foundation/VqAlgLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "foundation/VqLibText.h"
#include "support/TempDir.h"
#include "support/alglib_standin/VqAlgStandin.h"

namespace tessaly {
namespace {

// A program folder holding the stand-in library, loaded once for the whole suite.
class VqAlgLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<vqtest::TempProgramDir>();
    const char* bin = std::getenv("VQ_TEST_BINARY_DIR");
    ASSERT_NE(bin, nullptr) << "run through ctest, which names the build folder";
    std::filesystem::copy_file(std::string(bin) + "/" + vqtest::kAlgStandinRelativePath,
                               dir_->file("libVqAlglibrary.so"));
    std::string erro;
    ASSERT_TRUE(LoadVqAlgLibrary(erro)) << erro;
  }
  static void TearDownTestSuite() { dir_.reset(); }
  static inline std::unique_ptr<vqtest::TempProgramDir> dir_;
};

// A second load after a success changes nothing.
TEST_F(VqAlgLibraryTest, LoadIsIdempotent) {
  std::string erro;
  EXPECT_TRUE(LoadVqAlgLibrary(erro));
  EXPECT_EQ(erro, "");
}

// The key "KARVEN" and the text travel in code page 936: "A" ^ "K" is 0A, and 中 (D6 D0) ^ "KA" is 9D 91.
TEST_F(VqAlgLibraryTest, PassesAnsiTextAndTheFixedKey) {
  EXPECT_EQ(TvqLib::GetVqEncrypt("A"), "0A");
  EXPECT_EQ(TvqLib::GetVqEncrypt("中"), "9D91");
  EXPECT_EQ(TvqLib::GetVqDecrypt("9D91"), "中");
}

// What the library encrypts, the decrypt front-end gives back as UTF-8.
TEST_F(VqAlgLibraryTest, RoundTrip) {
  for (const std::string text : {"sa", "数据库密码Pwd#2024", "user name"}) {
    const std::string cipher = TvqLib::GetVqEncrypt(text);
    ASSERT_FALSE(cipher.empty()) << text;
    EXPECT_EQ(TvqLib::GetVqDecrypt(cipher), text);
  }
}

// Any result other than 1 leaves the text empty.
TEST_F(VqAlgLibraryTest, LibraryFailureGivesEmptyText) {
  EXPECT_EQ(TvqLib::GetVqDecrypt(std::string(vqtest::kAlgStandinFailMarker) + "0A0B"), "");
  EXPECT_EQ(TvqLib::GetVqEncrypt(std::string(vqtest::kAlgStandinFailMarker) + "x"), "");
  EXPECT_EQ(TvqLib::GetVqDecrypt("not hex"), "");
}

// A source of 20480 ANSI bytes or more does not fit the library's buffer and is refused before
// the call; one byte fewer still goes through.
TEST_F(VqAlgLibraryTest, RefusesSourceThatDoesNotFitTheBuffer) {
  const std::string plain(10239, 'x');
  const std::string fits = TvqLib::GetVqEncrypt(plain);  // 20478 hex digits
  ASSERT_EQ(fits.size(), 20478u);
  EXPECT_TRUE(TvqLib::GetVqDecrypt(fits) == plain);
  EXPECT_EQ(TvqLib::GetVqDecrypt(fits + "0A"), "");

  std::string chinese;
  for (int i = 0; i < 10240; ++i) chinese += "中";  // 20480 bytes in code page 936
  EXPECT_EQ(TvqLib::GetVqEncrypt(chinese), "");
}

// A library that fills the whole output buffer without a terminator yields the buffer less its
// last byte, never bytes beyond it.
TEST_F(VqAlgLibraryTest, TerminatesAFullOutputBuffer) {
  EXPECT_TRUE(TvqLib::GetVqDecrypt(vqtest::kAlgStandinFillMarker) == std::string(20479, 'A'));
  EXPECT_TRUE(TvqLib::GetVqEncrypt(vqtest::kAlgStandinFillMarker) == std::string(20479, 'A'));
}

}  // namespace
}  // namespace tessaly
