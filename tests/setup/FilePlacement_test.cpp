#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "setup/core/FileTargets.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqSign.h"
#include "support/InstallWorld.h"
#include "support/RunningStandin.h"

namespace {

using orvane::TvqApp;
using vqtest::InstallWorld;
using vqtest::PackedFile;
using vqtest::RunningStandin;
using vqtest::SetupEngineFixture;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr orvane::TDateTime kFileTime = 44029.5;  // 2020-07-17 12:00:00

int IndexOf(const Lines& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  return -1;
}

// A world whose payload package is written and open, as the install flow leaves it before the
// groups; extra files go into group "g_x" before it starts.
class PlacementTest : public ::testing::Test {
 protected:
  void Start(const std::string& mainLines = "") {
    w.Start(mainLines);
    app().Sign().SetValue(-1);
    app().StartPackThread("soft_pack_files", app().PackFile);
    SetupEngineFixture::WaitPackThread(app());
    std::string error;
    ASSERT_TRUE(app().OpenPackFiles(error)) << error;
    (void)w.world.NewLogEntries();
    (void)w.world.NewStatusLines();
  }
  void AddFile(const std::string& name, const std::string& fields) {
    w.files.push_back({PackedFile{"D:\\src\\x\\" + name, "x\\" + name, "bytes of " + name, "2020-07-17 09:30:10"},
                       "g_x", fields + "lastwritetime:2020-07-17 09:30:10;", "", false});
  }
  // A temporary file as the extraction leaves it.
  std::string Temp(const std::string& bytes) {
    const std::string temp = app().TempPath + "placing.tmp";
    InstallWorld::Write(temp, bytes);
    return temp;
  }
  TvqApp& app() { return w.app(); }

  InstallWorld w;
};

// Only the program started from the target file itself is offered for closing: "yes" ends
// it, "no" leaves it running; a program of the same name in another folder always runs on.
TEST_F(PlacementTest, RunningTargetIsEndedOnlyByItsFullPath) {
  Start();
  const std::string target = std::string(InstallWorld::kAppPath) + "bin\\Run.exe";
  for (const int answer : {orvane::kAnswerNo, orvane::kAnswerYes}) {
    RunningStandin own(target);
    RunningStandin namesake("D:\\Other\\bin\\Run.exe");
    w.world.fx.ui.ScriptAnswer(answer);
    std::string error;
    EXPECT_TRUE(app().PlaceFile(error, "安装", "核心文件", Temp("new program"), target, "1", kFileTime));
    EXPECT_EQ(InstallWorld::Read(target), "new program");
    EXPECT_GE(IndexOf(w.world.fx.ui.Transcript(),
                      "query[询问]: 检测到程序“D:\\Apps\\Tessaly\\bin\\Run.exe”正在运行，是否关闭？ -> " +
                          std::to_string(answer)),
              0);
    if (answer == orvane::kAnswerYes) {
      EXPECT_TRUE(own.Ended());
    } else {
      EXPECT_TRUE(own.Alive());
    }
    EXPECT_TRUE(namesake.Alive());
  }
}

// A target that cannot be written gives the copy failure texts, counts as a failed file and
// keeps the temporary file; a placed file shows its short path and enters the install log.
TEST_F(PlacementTest, PlacementTextsAndFailureCount) {
  Start();
  const std::string dll = std::string(InstallWorld::kAppPath) + "bin\\held.dll";
  const std::string ok = std::string(InstallWorld::kAppPath) + "bin\\ok.dll";
  InstallWorld::Write(dll, "in use");
  platform::FileHold hold(dll);
  const std::string temp = Temp("new");
  std::string error;
  EXPECT_FALSE(app().PlaceFile(error, "安装", "核心文件", temp, dll, "1", kFileTime));
  EXPECT_EQ(error, "拷贝文件失败");
  EXPECT_EQ(app().FailedFiles, 1);
  EXPECT_EQ(InstallWorld::Read(temp), "new");
  EXPECT_EQ(w.world.NewStatusLines(), Lines{"安装核心文件文件失败：bin\\held.dll"});
  EXPECT_EQ(w.world.NewLogEntries(),
            (Lines{"安装核心文件拷贝失败：" + temp + "到" + dll, "安装核心文件，执行移动文件操作...",
                   "安装核心文件失败！临时文件：" + temp + "，目标文件：" + dll}));

  error.clear();
  EXPECT_TRUE(app().PlaceFile(error, "修复", "核心文件", temp, ok, "0", kFileTime));
  EXPECT_EQ(error, "");
  EXPECT_EQ(w.world.NewStatusLines(), Lines{"修复核心文件文件：bin\\ok.dll"});
  const std::string installLog = platform::Cp936ToUtf8(InstallWorld::Read(app().InstallPath + "zvqinstall.log"));
  EXPECT_NE(installLog.find("][修复核心文件]  修复文件成功：bin\\ok.dll"), std::string::npos);
  // A kept target shows and logs nothing.
  EXPECT_TRUE(app().PlaceFile(error, "修复", "核心文件", temp, ok, "0", kFileTime));
  EXPECT_TRUE(w.world.NewStatusLines().empty());
  EXPECT_EQ(app().FailedFiles, 1);
}

// Records are checked before anything happens: a target outside any drive folder, a name with a
// separator, ":" or a dot component, or a folder that climbs with ".." is refused, logged and
// counted, while the group goes on. A plain folder without its "\" is joined with one, and
// the system folders are legitimate targets.
TEST_F(PlacementTest, RecordsAreCheckedAndFoldersJoined) {
  AddFile("plain.dll", "dst_path:D:\\Plain;");
  AddFile("relative.dll", "dst_path:bin\\;");
  AddFile("climb.dll", "dst_filename:..\\evil.dll;dst_path:<app_path>bin\\;");
  AddFile("colon.dll", "dst_filename:c:evil.dll;dst_path:<app_path>bin\\;");
  AddFile("dots.dll", "dst_filename:..;dst_path:<app_path>bin\\;");
  AddFile("up.dll", "dst_path:<app_path>..\\..\\Escape\\;");
  AddFile("slash.dll", "dst_filename:a/b.dll;dst_path:<app_path>bin\\;");
  AddFile("win.dll", "dst_path:<win_path>;tag_replace:1;");
  Start();
  std::string error;
  EXPECT_TRUE(app().InstallFileGroup(error, orvane::kModeInstall, "安装", "g_x", "x", "杂项"));
  EXPECT_EQ(InstallWorld::Read("D:\\Plain\\plain.dll"), "bytes of plain.dll");
  EXPECT_EQ(InstallWorld::Read("C:\\Windows\\win.dll"), "bytes of win.dll");
  EXPECT_FALSE(InstallWorld::Exists("D:\\Plainplain.dll"));
  EXPECT_EQ(app().FailedFiles, 6);
  const Lines log = w.world.NewLogEntries();
  for (const char* name : {"relative", "climb", "colon", "dots", "up", "slash"})
    EXPECT_GE(IndexOf(log, std::string("目标路径无效，拒绝安装：D:\\src\\x\\") + name + ".dll->"), 0) << name;
  EXPECT_FALSE(fs::exists(w.world.fx.Host("D:\\Escape")));
  EXPECT_FALSE(InstallWorld::Exists(std::string(InstallWorld::kAppPath) + "evil.dll"));
  // Every line is one step of the bar, refused or placed.
  EXPECT_EQ(w.world.fx.ui.GetPosition(), 8);
}

// The target checks alone.
TEST(FileTargets, SafeTargetTable) {
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"C:\\Windows\\System32\\", "a.dll", true},
      {"D:\\Apps\\T\\数据\\", "说明.txt", true},
      {"D:\\", "a.dll", true},
      {"D:", "a.dll", false},
      {"\\\\server\\share\\", "a.dll", false},
      {"bin\\", "a.dll", false},
      {"", "a.dll", false},
      {"D:\\Apps\\..\\", "a.dll", false},
      {"D:\\Apps\\.\\", "a.dll", false},
      {"D:\\Apps/../", "a.dll", false},
      {"D:\\Ap:ps\\", "a.dll", false},
      {"D:\\Apps\\", "", false},
      {"D:\\Apps\\", "a\\b.dll", false},
  };
  for (const auto& [folder, name, safe] : cases) EXPECT_EQ(orvane::IsSafeTarget(folder, name), safe) << folder << name;
  EXPECT_EQ(orvane::FolderWithBackslash("C:\\Foo"), "C:\\Foo\\");
  EXPECT_EQ(orvane::FolderWithBackslash("C:\\Foo\\"), "C:\\Foo\\");
  EXPECT_EQ(orvane::FolderWithBackslash(""), "");
}

// Server-family products also drop every file into their update folders; the first layout that
// applies decides, and without any the copy reports false without a text.
TEST_F(PlacementTest, UpdateFolderLayouts) {
  Start("AppSoftType=1\r\n");
  struct Case {
    std::vector<std::string> made;  // folders (ending "\") and files under the target folder
    std::vector<std::string> copies;
    bool result;
  };
  const Case cases[] = {
      {{"升级补丁\\公共\\", "Updata\\htexe\\"}, {"升级补丁\\公共\\"}, true},
      {{"vqdinner.exe", "Updata\\htexe\\", "Updata\\qtexe\\", "ZVQServer\\Updata\\pos\\"},
       {"Updata\\htexe\\", "Updata\\qtexe\\"},
       true},
      {{"vqdinner.exe", "Updata\\qtexe\\"}, {"Updata\\qtexe\\"}, true},
      {{"ZVQServer\\Updata\\htexe\\", "ZVQServer\\Updata\\pos\\", "Updata\\htexe\\"},
       {"ZVQServer\\Updata\\htexe\\", "ZVQServer\\Updata\\pos\\"},
       true},
      {{"Updata\\qtexe\\"}, {}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string folder = "D:\\Srv" + std::to_string(++n) + "\\";
    for (const std::string& m : c.made) {
      if (m.back() == '\\') {
        fs::create_directories(w.world.fx.Host(folder + m));
      } else {
        InstallWorld::Write(folder + m, "x");
      }
    }
    std::string error;
    EXPECT_EQ(app().CopyToUpdateFolders(error, "安装", "核心文件", Temp("update"), "a.dll", folder, "1", kFileTime),
              c.result)
        << folder;
    EXPECT_EQ(error, "") << folder;
    for (const std::string& m : c.made) {
      if (m.back() != '\\') continue;
      const bool copied = std::find(c.copies.begin(), c.copies.end(), m) != c.copies.end();
      EXPECT_EQ(InstallWorld::Exists(folder + m + "a.dll"), copied) << folder << m;
    }
  }
  // The group step makes the copies beside the placement.
  fs::create_directories(w.world.fx.Host(std::string(InstallWorld::kAppPath) + "bin\\升级补丁\\公共"));
  std::string error;
  EXPECT_TRUE(app().InstallFileGroup(error, orvane::kModeInstall, "安装", "g_core", "core", "核心文件"));
  EXPECT_EQ(InstallWorld::Read(std::string(InstallWorld::kAppPath) + "bin\\升级补丁\\公共\\Tessaly.exe"),
            "agent program");
}

// Whether the install writes a file, asked with the path as configured: any letter case
// matches, the expanded path does not; the rule of the matching record decides for an existing
// target; a record the placement would refuse is never written.
TEST_F(PlacementTest, IsFileInInstallList) {
  AddFile("keep.ini", "dst_filename:keep.ini;dst_path:<app_path>cfg\\;tag_replace:0;");
  AddFile("newer.ini", "dst_filename:newer.ini;dst_path:<app_path>cfg;tag_replace:2;");
  AddFile("bad.exe", "dst_filename:bad.exe;dst_path:bin\\;tag_replace:1;");
  Start();
  const std::string cfg = std::string(InstallWorld::kAppPath) + "cfg\\";
  struct Case {
    std::string path;
    std::string existing;  // the target's last-write time, "" = missing
    bool result;
  };
  const Case cases[] = {
      {"<app_path>bin\\Tessaly.exe", "", true},
      {"<APP_PATH>BIN\\tessaly.EXE", "", true},
      {"D:\\Apps\\Tessaly\\bin\\Tessaly.exe", "", false},
      {"<app_path>bin\\nothing.exe", "", false},
      {"<app_path>cfg\\keep.ini", "", true},
      {"<app_path>cfg\\keep.ini", "2019-01-01 00:00:00", false},
      {"<app_path>cfg\\newer.ini", "2019-01-01 00:00:00", true},
      {"<app_path>cfg\\newer.ini", "2030-01-01 00:00:00", false},
      {"bin\\bad.exe", "", false},
  };
  for (const Case& c : cases) {
    for (const char* name : {"keep.ini", "newer.ini"}) fs::remove(w.world.fx.Host(cfg + name));
    if (!c.existing.empty()) {
      const std::string file = cfg + c.path.substr(c.path.rfind('\\') + 1);
      InstallWorld::Write(file, "old");
      InstallWorld::SetWriteTime(file, InstallWorld::LocalSeconds(c.existing));
    }
    EXPECT_EQ(app().IsFileInInstallList(c.path), c.result) << c.path << " " << c.existing;
  }
}

}  // namespace
