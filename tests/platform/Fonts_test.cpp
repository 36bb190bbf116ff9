#include "platform/Fonts.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Components.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kSystemFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// A font file registered from where it lies joins the session list once and this process's
// fontconfig set; a file that holds no font is refused and not listed.
TEST(Fonts, RegistersAFontForTheSession) {
  vqtest::MachineRootFixture machine;
  const std::string placed = platform::HostPath("C:\\Fonts2\\micro.ttc");
  std::filesystem::create_directories(std::filesystem::path(placed).parent_path());
  std::filesystem::copy_file(kSystemFont, placed);
  vqtest::WriteFileBytes(platform::HostPath("C:\\Fonts2\\bad.ttf"), "not a font");

  EXPECT_GE(platform::AddFontResource("C:\\Fonts2\\micro.ttc"), 1);
  EXPECT_GE(platform::AddFontResource("c:\\fonts2\\MICRO.ttc"), 1);
  EXPECT_GE(platform::AddFontResource("C:/Fonts2/micro.ttc"), 1);
  EXPECT_GE(platform::AddFontResource("C:\\Fonts2\\.\\micro.ttc"), 1);
  EXPECT_GE(platform::AddFontResource("C:\\Fonts2\\\\micro.ttc"), 1);
  EXPECT_EQ(platform::AddFontResource("C:\\Fonts2\\bad.ttf"), 0);
  EXPECT_EQ(platform::AddFontResource("C:\\Fonts2\\missing.ttf"), 0);
  EXPECT_EQ(platform::SessionFontList(), "C:\\Fonts2\\micro.ttc\n");

  FcFontSet* app = FcConfigGetFonts(nullptr, FcSetApplication);
  ASSERT_NE(app, nullptr);
  bool found = false;
  for (int i = 0; i < app->nfont; ++i) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(app->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
      found = found || placed == reinterpret_cast<const char*>(file);
  }
  EXPECT_TRUE(found);
}

// DllRegisterServer is called and its answer decides; a library without it, or no library,
// is no success.
TEST(Components, CallsDllRegisterServer) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir dir;
  vqtest::PlaceComponentStandin("C:\\Lib\\comp.dll");
  setenv("VQ_COMPONENT_MARKER", dir.file("marker").c_str(), 1);
  long hr = -1;
  std::string error;
  EXPECT_EQ(platform::RegisterServerOf("C:\\Lib\\comp.dll", hr, error), platform::RegisterResult::Registered);
  EXPECT_EQ(hr, 0);
  setenv("VQ_COMPONENT_RESULT", "0x80004005", 1);
  EXPECT_EQ(platform::RegisterServerOf("C:\\Lib\\comp.dll", hr, error), platform::RegisterResult::Failed);
  EXPECT_EQ(static_cast<std::uint32_t>(hr), 0x80004005u);
  unsetenv("VQ_COMPONENT_RESULT");
  unsetenv("VQ_COMPONENT_MARKER");
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("marker")), "registered\nregistered\n");

  EXPECT_EQ(platform::RegisterServerOf(vqtest::LibraryWithoutEntryFile(), hr, error),
            platform::RegisterResult::NoEntryPoint);
  EXPECT_EQ(platform::RegisterServerOf("C:\\Lib\\missing.dll", hr, error), platform::RegisterResult::NotLoaded);
  EXPECT_FALSE(error.empty());
}

}  // namespace
