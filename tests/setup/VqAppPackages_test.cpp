#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqSign.h"
#include "support/SetupEngineFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqApp;
using vqtest::PackedFile;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;

constexpr const char* kConfig =
    "[Main]\r\n"
    "AppId=1001\r\n"
    "AppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\n"
    "AppTitle=Tessaly 同步\r\n"
    "AppName=tessaly\r\n"
    "AppDefPath=C:\\Velmora\\Tessaly\r\n"
    "AppAgreementFile=D:\\src\\doc\\协议.txt\r\n"
    "[module]\r\n"
    "sync=同步服务;can_select:1;setup:1;\r\n";

// Local wall-clock time as seconds since 1970 (UTC), as file times are kept.
double LocalSeconds(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return static_cast<double>(std::mktime(&tm));
}

double WriteTimeOf(const std::string& windowsPath) {
  double access = 0, write = 0;
  EXPECT_EQ(platform::GetFileTimes(windowsPath, access, write), 0) << windowsPath;
  return write;
}

class PackagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builder.SetConfig(kConfig);
    builder.AddPayloadFile({"D:\\src\\bin\\Tessaly.exe", "bin\\Tessaly.exe", "program bytes", "2020-07-17 09:30:07"});
    builder.AddPayloadFile({"D:\\src\\数据\\说明.txt", "数据\\说明.txt", "说明", "2021-01-02 03:04:05"});
    builder.AddPayloadFile({"D:\\src\\bin\\extra.dll", "bin\\extra.dll", "dll", "2020-07-17 09:30:07", false});
    builder.AddPayloadFile({"D:\\src\\bin\\bad.ini", "bin\\bad.ini", "x", "17.07.2020"});
    builder.AddPayloadFile({"D:\\src\\bin\\old.ini", "bin\\old.ini", "y", "1899-12-29 12:00:00"});
    builder.AddPayloadFile({"D:\\src\\bin\\gone.dat", "bin\\gone.dat", "z", "2020-07-17 09:30:07", true, false});
    // The agreement is an ANSI (GBK) text.
    builder.AddAppFile(
        {"D:\\src\\doc\\协议.txt", "doc\\协议.txt", platform::Utf8ToCp936("第一行\r\n第二行"), "2020-07-17 09:30:07"});
  }

  // An engine with its payload written to the cache, as the install flow starts it.
  std::unique_ptr<TvqApp> EngineWithPayload() {
    fx.Pack(builder);
    auto app = fx.NewEngine();
    app->Sign().SetValue(-1);
    app->StartPackThread("soft_pack_files", app->PackFile);
    SetupEngineFixture::WaitPackThread(*app);
    return app;
  }

  SetupEngineFixture fx;
  SetupExeBuilder builder;
};

// A file is found by its source path in any letter case, its GBK entry name is read, and its
// time lands on the even second below the map's odd one.
TEST_F(PackagesTest, ExtractsByMapWithEvenSecondTimes) {
  auto app = EngineWithPayload();
  struct Case {
    std::string source;
    std::string target;
    std::string bytes;
    double writeTime;
  };
  const Case cases[] = {
      {"d:\\SRC\\BIN\\tessaly.exe", "C:\\Out\\bin\\Tessaly.exe", "program bytes", LocalSeconds(2020, 7, 17, 9, 30, 6)},
      {"D:\\src\\数据\\说明.txt", "C:\\Out\\数据\\说明.txt", "说明", LocalSeconds(2021, 1, 2, 3, 4, 4)},
  };
  for (const Case& c : cases) {
    std::string error, target = c.target;
    ASSERT_TRUE(app->ExtractPackFile(error, c.source, false, "", target)) << c.source << ": " << error;
    EXPECT_EQ(vqtest::ReadFileBytes(SetupEngineFixture::Host(target)), c.bytes) << c.source;
    EXPECT_EQ(WriteTimeOf(target), c.writeTime) << c.source;
  }
}

// Without a target the file lands in the temp folder under its entry's file name.
TEST_F(PackagesTest, EmptyTargetGoesToTempFolder) {
  auto app = EngineWithPayload();
  std::string error, target;
  ASSERT_TRUE(app->ExtractPackFile(error, "D:\\src\\bin\\Tessaly.exe", true, "", target)) << error;
  EXPECT_EQ(target, app->TempPath + "Tessaly.exe");
  EXPECT_TRUE(std::filesystem::exists(SetupEngineFixture::Host(target)));
}

// Failures give their exact texts; repair goes on past missing entries but never past a time
// that does not parse.
TEST_F(PackagesTest, FailureTextsAndRepairMode) {
  auto app = EngineWithPayload();
  struct Case {
    std::string source;
    std::uint32_t mode;
    bool result;
    std::string error;
  };
  const Case cases[] = {
      {"D:\\src\\bin\\extra.dll", orvane::kModeInstall, false, "前缀文件extra.dll释放失败1[0],请重试..."},
      {"D:\\src\\bin\\extra.dll", orvane::kModeRepair, true, "前缀文件extra.dll释放失败1[0],请重试..."},
      {"D:\\src\\bin\\gone.dat", orvane::kModeInstall, false, "前缀文件gone.dat释放失败1[0],请重试..."},
      {"D:\\src\\bin\\bad.ini", orvane::kModeInstall, false, "前缀文件bad.ini释放保存失败3,请重试..."},
      {"D:\\src\\bin\\bad.ini", orvane::kModeRepair, false, "前缀文件bad.ini释放保存失败3,请重试..."},
  };
  for (const Case& c : cases) {
    app->Mode = c.mode;
    std::string error, target = "C:\\Out\\x";
    EXPECT_EQ(app->ExtractPackFile(error, c.source, true, "前缀", target), c.result) << c.source;
    EXPECT_EQ(error, c.error) << c.source << " mode " << c.mode;
  }
  const std::string log = SetupEngineFixture::SetupLogText();
  EXPECT_NE(log.find("提取压缩文件失败[0]，源文件：D:\\src\\bin\\extra.dll，待提取压缩文件：uninst_files"),
            std::string::npos);
  for (const char* line : {"提取安装文件时，提取文件时间2：17.07.2020，文件：D:\\src\\bin\\bad.ini",
                           "提取安装文件时，提取文件时间3：17.07.2020，文件：D:\\src\\bin\\bad.ini",
                           "提取安装文件时，提取文件时间失败：17.07.2020，文件：D:\\src\\bin\\bad.ini"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

// A time before the date origin leaves the file's times alone and says so.
TEST_F(PackagesTest, TimeBeforeOriginIsLogged) {
  auto app = EngineWithPayload();
  std::string error, target = "C:\\Out\\old.ini";
  ASSERT_TRUE(app->ExtractPackFile(error, "D:\\src\\bin\\old.ini", true, "", target)) << error;
  EXPECT_NE(SetupEngineFixture::SetupLogText().find(
                "提取安装文件时，未能修改文件时间，时间数据有误，文件：C:\\Out\\old.ini，时间：1899-12-29 12:00:00"),
            std::string::npos);
}

// The app-files package serves the agreement, which is read line by line and its file removed.
TEST_F(PackagesTest, AgreementFromAppFiles) {
  fx.Pack(builder);
  auto app = fx.NewEngine();
  app->LoadAgreement();
  EXPECT_EQ(app->AgreementText, "第一行\r\n第二行\r\n");
  EXPECT_FALSE(std::filesystem::exists(SetupEngineFixture::Host(app->CachePath + "tessaly_Agreement.txt")));
}

// The package thread writes through a temporary file with its exact log texts; a second run
// onto an existing package reports the failed rename and still finishes.
TEST_F(PackagesTest, PackageThreadLogTexts) {
  fx.Pack(builder);
  auto app = fx.NewEngine();
  const std::string file = app->AppFilesFile;
  app->Sign().SetValue(-1);
  app->StartPackThread("soft_app_files", file);
  SetupEngineFixture::WaitPackThread(*app);
  EXPECT_EQ(app->Sign().GetValue(), 2);
  app->Sign().SetValue(-1);
  app->StartPackThread("no_such_resource", app->CachePath + "none.zip");
  SetupEngineFixture::WaitPackThread(*app);
  EXPECT_EQ(app->Sign().GetValue(), 2);
  const std::string log = SetupEngineFixture::SetupLogText();
  for (const std::string& line :
       {"提取资源包[soft_app_files]" + file + "...", "提取资源包[soft_app_files]到临时文件：" + file + ".tmp 成功",
        "提取资源包[soft_app_files]重命名临时文件成功：" + file + ".tmp->" + file,
        "提取资源包[soft_app_files]重命名临时文件失败：" + file + ".tmp->" + file,
        std::string("提取资源包[soft_app_files]完成."),
        "提取资源包[no_such_resource]到临时文件：" + app->CachePath + "none.zip.tmp 出错：未找到资源no_such_resource"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

// A payload that is no zip: opening still succeeds after its attempts, extraction then fails.
TEST_F(PackagesTest, CorruptArchiveFailsExtraction) {
  builder.CorruptPayload();
  auto app = EngineWithPayload();
  std::string error, target = "C:\\Out\\t.exe";
  EXPECT_TRUE(app->OpenPackFiles(error));
  EXPECT_FALSE(app->ExtractPackFile(error, "D:\\src\\bin\\Tessaly.exe", false, "", target));
  EXPECT_EQ(error, "文件Tessaly.exe释放失败1[0],请重试...");
}

// An entry whose data does not match its checksum, stored or deflated, is an extraction
// failure with the zip library's reason: nothing is written, and a repair goes on with the
// text set.
TEST_F(PackagesTest, DamagedChecksumFailsExtraction) {
  builder.AddPayloadFile({"D:\\src\\bin\\stored.dat", "bin\\stored.dat", std::string(3000, 's'), "2020-07-17 09:30:07",
                          true, true, true, true});
  builder.AddPayloadFile({"D:\\src\\bin\\packed.dat", "bin\\packed.dat", std::string(3000, 'p'), "2020-07-17 09:30:07",
                          true, true, false, true});
  auto app = EngineWithPayload();
  struct Case {
    std::string name;
    std::uint32_t mode;
    bool result;
  };
  const Case cases[] = {
      {"stored.dat", orvane::kModeInstall, false},
      {"packed.dat", orvane::kModeInstall, false},
      {"packed.dat", orvane::kModeRepair, true},
  };
  for (const Case& c : cases) {
    app->Mode = c.mode;
    std::string error, target = "C:\\Out\\" + c.name;
    EXPECT_EQ(app->ExtractPackFile(error, "D:\\src\\bin\\" + c.name, true, "前缀", target), c.result) << c.name;
    EXPECT_EQ(error, "前缀文件inst_files\\bin\\" + c.name + "释放失败：CRC error,请重试") << c.name;
    EXPECT_FALSE(std::filesystem::exists(SetupEngineFixture::Host(target))) << c.name;
  }
  // The sound files of the same package still extract.
  std::string error, target = "C:\\Out\\Tessaly.exe";
  EXPECT_TRUE(app->ExtractPackFile(error, "D:\\src\\bin\\Tessaly.exe", true, "", target)) << error;
}

// GBK entry names whose second byte is 0x5C ("\\") are found; letters fold without case only
// as single-byte characters, so a name never matches one whose two-byte character differs.
TEST_F(PackagesTest, GbkEntryNames) {
  builder.AddPayloadFile({"D:\\src\\運\\誠錦淺‐.txt", "運\\誠錦淺‐.txt", "five", "2020-07-17 09:30:07"});
  builder.AddPayloadFile({"D:\\src\\说明\\ReadMe.TXT", "说明\\readme.txt", "read me", "2020-07-17 09:30:07", false});
  builder.AddPayloadFile({"D:\\src\\说明\\ReadMe.TXT", "说明\\README.TXT", "", "2020-07-17 09:30:07", true, false});
  builder.AddPayloadFile({"D:\\src\\丄.txt", "丄.txt", "upper", "2020-07-17 09:30:07", false});
  builder.AddPayloadFile({"D:\\src\\乤.txt", "乤.txt", "", "2020-07-17 09:30:07", true, false});
  auto app = EngineWithPayload();
  struct Case {
    std::string source;
    bool found;
    std::string bytes;
  };
  const Case cases[] = {
      {"D:\\src\\運\\誠錦淺‐.txt", true, "five"},
      {"D:\\src\\说明\\ReadMe.TXT", true, "read me"},
      {"D:\\src\\乤.txt", false, ""},
  };
  for (const Case& c : cases) {
    std::string error, target = "C:\\Out\\found.txt";
    (void)platform::DeleteFile(target);
    EXPECT_EQ(app->ExtractPackFile(error, c.source, true, "", target), c.found) << c.source << ": " << error;
    EXPECT_EQ(std::filesystem::exists(SetupEngineFixture::Host(target)), c.found) << c.source;
    if (c.found) {
      EXPECT_EQ(vqtest::ReadFileBytes(SetupEngineFixture::Host(target)), c.bytes) << c.source;
    }
  }
}

// Without the map resources every extraction finds no map line.
TEST_F(PackagesTest, MissingMapFailsEveryExtraction) {
  builder.OmitMaps();
  auto app = EngineWithPayload();
  std::string error, target = "C:\\Out\\t.exe";
  EXPECT_FALSE(app->ExtractPackFile(error, "D:\\src\\bin\\Tessaly.exe", false, "", target));
  EXPECT_EQ(error, "文件Tessaly.exe释放失败1[0],请重试...");
  EXPECT_NE(SetupEngineFixture::SetupLogText().find("读取压缩包配置GetRCData(soft_pack_files_cfg)出错:未找到资源"),
            std::string::npos);
}

// An engine freed while its package thread still writes joins the thread first, so nothing is
// written into the cache folder after it was removed.
TEST_F(PackagesTest, EngineFreedDuringPackageThread) {
  builder.AddResource("soft_app_files", std::string(8 << 20, 'x'));
  fx.Pack(builder);
  std::string cache;
  {
    TvqApp app;
    cache = app.CachePath;
  }
  EXPECT_FALSE(std::filesystem::exists(SetupEngineFixture::Host(cache)));
}

// RequireAppFiles that cannot open the package tells the user and ends the wizard's loop
// instead of the process.
TEST_F(PackagesTest, RequireAppFilesEndsEventLoop) {
  fx.Pack(builder);
  auto app = fx.NewEngine();
  (void)platform::DeleteFile(app->AppFilesFile);
  bool quit = false;
  app->OnQuit = [&quit] { quit = true; };
  EXPECT_FALSE(app->RequireAppFiles());
  EXPECT_TRUE(quit);
  ASSERT_FALSE(fx.ui.Transcript().empty());
  EXPECT_EQ(fx.ui.Transcript().back(), "info[消息]: 读取安装包失败：释放安装包失败,请重试...");
}

}  // namespace
