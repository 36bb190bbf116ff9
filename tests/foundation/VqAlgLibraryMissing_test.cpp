// The outside library absent from the program folder. Its own process, so nothing has loaded
// the library before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/VqAlgLibrary.h"
#include "foundation/VqLibText.h"
#include "support/TempDir.h"
#include "support/alglib_standin/VqAlgStandin.h"

namespace tessaly {
namespace {

// Before any load and after a failed one (no file, then a file that is no library) the
// front-ends give empty texts; a later load finds a library placed in the meantime.
TEST(VqAlgLibraryMissing, EmptyTextsUntilTheLibraryLoads) {
  vqtest::TempProgramDir dir;
  EXPECT_EQ(TvqLib::GetVqDecrypt("0A"), "");

  std::string erro;
  EXPECT_FALSE(LoadVqAlgLibrary(erro));
  EXPECT_NE(erro.find("libVqAlglibrary.so"), std::string::npos) << erro;
  EXPECT_EQ(TvqLib::GetVqDecrypt("0A"), "");
  EXPECT_EQ(TvqLib::GetVqEncrypt("A"), "");

  vqtest::WriteFileBytes(dir.file("libVqAlglibrary.so"), "not a shared object");
  erro.clear();
  EXPECT_FALSE(LoadVqAlgLibrary(erro));
  EXPECT_FALSE(erro.empty());
  EXPECT_EQ(TvqLib::GetVqDecrypt("0A"), "");
  std::filesystem::remove(dir.file("libVqAlglibrary.so"));

  const char* bin = std::getenv("VQ_TEST_BINARY_DIR");
  ASSERT_NE(bin, nullptr) << "run through ctest, which names the build folder";
  std::filesystem::copy_file(std::string(bin) + "/" + vqtest::kAlgStandinRelativePath,
                             dir.file("libVqAlglibrary.so"));
  erro.clear();
  EXPECT_TRUE(LoadVqAlgLibrary(erro)) << erro;
  EXPECT_EQ(TvqLib::GetVqDecrypt("0A"), "A");
}

}  // namespace
}  // namespace tessaly
