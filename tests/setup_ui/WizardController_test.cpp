// The wizard's start page, loading, agreement, install path checks, folder dialog, closing and
// error handling, driven headless through the page-flow controller.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "WizardWorld.h"
#include "platform/TextCodec.h"
#include "setup/core/VqSkin.h"
#include "support/TempDir.h"

namespace {

using orvane::TCtl;
using orvane::TTimer;
using vqtest::WizardWorld;
namespace fs = std::filesystem;

constexpr const char* kSelectable = "";
constexpr const char* kFixedModules =
    "[module]\r\ncore=核心;can_select:0;setup:1;\r\n[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\n"
    "[file_group]\r\ng_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;filesize:10;\r\n"
    "[g_core_files]\r\nD:\\src\\bin\\Tessaly.exe;subfolder_id:1;=app_id:1001;group_id:g_core;"
    "dst_path:<app_path>bin\\;tag_replace:1;tag_uninstall:1;\r\n";

// Each start page variant shows its own title, buttons and extras.
TEST(WizardStartPage, VariantsByEngineState) {
  struct Case {
    const char* name;
    const char* mainLines;
    const char* sections;
    bool installed;
    const char* title;
    bool startButton;
    const char* startCaption;
    bool productButtons;
    bool agreement;
    bool deepBox;
    bool path;
  };
  const Case cases[] = {
      {"fresh, nothing to choose", "", kFixedModules, false, "欢迎安装使用", true, "立即安装", false, true, false,
       false},
      {"fresh, modules to choose", "", kSelectable, false, "欢迎安装使用", true, "准备安装", false, true, false, false},
      {"installed product", "", kSelectable, true, "感谢使用", false, nullptr, true, false, false, true},
      {"uninstaller", "AppInstallType=uninstall\r\n", kSelectable, true, "遗憾离开", true, "卸载", false, false, true,
       true},
      {"uninstaller of an add-on", "AppInstallType=uninstall\r\nAppSoftType=1\r\n", kSelectable, true, "遗憾离开", true,
       "卸载", false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    if (c.installed) WizardWorld::RecordInstalled(vqtest::kWizardAppPath);
    w.Start(WizardWorld::Product(c.mainLines, c.sections));
    const auto& v = w.view;
    EXPECT_EQ(v.page, TCtl::pnlStepStart);
    EXPECT_EQ(v.Caption(TCtl::lblTitle), c.title);
    EXPECT_EQ(v.Visible(TCtl::btnStart), c.startButton);
    if (c.startCaption != nullptr) {
      EXPECT_EQ(v.Caption(TCtl::btnStart), c.startCaption);
    }
    for (const TCtl b : {TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall}) EXPECT_EQ(v.Visible(b), c.productButtons);
    if (c.productButtons) {
      EXPECT_EQ(v.Caption(TCtl::btnEdit), "修改");
      EXPECT_EQ(v.Caption(TCtl::btnRepair), "修复");
      EXPECT_EQ(v.Caption(TCtl::btnUnInstall), "卸载");
    }
    // Without an agreement file the agreement goes once the package is read.
    EXPECT_FALSE(v.Visible(TCtl::chkAgreementOk));
    EXPECT_EQ(v.Visible(TCtl::lblOption), c.agreement);
    EXPECT_EQ(v.Visible(TCtl::chkUninstDeepness), c.deepBox);
    EXPECT_EQ(v.Visible(TCtl::lblUninstDeepness), c.deepBox);
    if (c.deepBox) {
      EXPECT_FALSE(w.wizard.IsTicked(TCtl::chkUninstDeepness));
    }
    EXPECT_EQ(v.Visible(TCtl::lblInstedInfo), c.path);
    if (c.path) {
      EXPECT_EQ(v.Caption(TCtl::lblInstedInfo), vqtest::kWizardAppPath);
    }
    // An add-on's path that still names the product is replaced by the prompt to pick one.
    EXPECT_EQ(v.Caption(TCtl::edtPath), std::string(c.mainLines).find("AppSoftType=1") != std::string::npos
                                            ? "请选择需要安装“本模块”的软件目录..."
                                            : vqtest::kWizardAppPath);
    EXPECT_EQ(v.appTitle, "安装 - Tessaly");
    EXPECT_EQ(v.Caption(TCtl::lblAppTitle), "Tessaly");
    EXPECT_EQ(v.Caption(TCtl::lblAppVersion), "2.1");
  }
}

// A recorded install location that no longer exists is a fresh install.
TEST(WizardStartPage, VanishedInstallLocationIsAFreshInstall) {
  WizardWorld w;
  WizardWorld::RecordInstalled("D:\\Gone\\Tessaly\\");
  fs::remove_all(vqtest::SetupEngineFixture::Host("D:\\Gone"));
  w.Start(WizardWorld::Product());
  EXPECT_EQ(w.view.Caption(TCtl::lblTitle), "欢迎安装使用");
  EXPECT_TRUE(w.view.Visible(TCtl::btnStart));
  EXPECT_FALSE(w.view.Visible(TCtl::btnEdit));
}

// The system requirement line names the configured systems; its hint says the same.
TEST(WizardStartPage, SystemRequirementLine) {
  WizardWorld w;
  w.Start(WizardWorld::Product("AppSysRequire=Windows 7,Windows 10\r\n"));
  EXPECT_TRUE(w.view.Visible(TCtl::lblSysRequire));
  EXPECT_EQ(w.view.Caption(TCtl::lblSysRequire), w.Text("IDS_SYSREQUIRE") + "：Windows 7,Windows 10");
  EXPECT_EQ(w.view.Get(TCtl::lblSysRequire).hint, w.view.Caption(TCtl::lblSysRequire));
}

// While the package loads the buttons are off and the loading text counts dots 0 to 6; the
// start button comes on only when loading ends, and not while the agreement is unticked.
TEST(WizardStartPage, StartButtonWaitsForLoadingAndAgreement) {
  WizardWorld w;
  vqtest::SetupExeBuilder builder = WizardWorld::Product("AppAgreementFile=D:\\src\\agreement.txt\r\n");
  builder.AddAppFile({"D:\\src\\agreement.txt", "agreement.txt", platform::Utf8ToCp936("第一条\r\n第二条")});
  w.Open(builder);
  auto& v = w.view;
  for (const TCtl b : {TCtl::btnStart, TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall})
    EXPECT_FALSE(v.Get(b).enabled);
  const std::string loading = "正在释放安装包,请稍候";
  EXPECT_TRUE(v.Visible(TCtl::lblOperDesc));
  EXPECT_EQ(v.Caption(TCtl::lblOperDesc), loading);
  EXPECT_TRUE(v.Running(TTimer::Loading));
  EXPECT_EQ(v.timers.at(TTimer::Loading).intervalMs, 500);
  EXPECT_EQ(v.timers.at(TTimer::Start).intervalMs, 300);
  const char* dots[] = {"", ".", "..", "...", "....", ".....", "......", ""};
  for (const char* d : dots) {
    w.wizard.tmrLoadingTimer();
    EXPECT_EQ(v.Caption(TCtl::lblOperDesc), loading + d);
  }

  // Toggling the agreement during loading must not enable the button.
  w.wizard.lblReadAndOKClick();
  w.wizard.lblReadAndOKClick();
  EXPECT_TRUE(w.wizard.IsTicked(TCtl::chkAgreementOk));
  EXPECT_FALSE(v.Get(TCtl::btnStart).enabled);
  w.wizard.Click(TCtl::btnStart);
  EXPECT_EQ(v.page, TCtl::pnlStepStart);

  // The status word still says "writing": the tick waits.
  w.app().Sign().SetValue(1);
  w.wizard.tmrStartTimer();
  EXPECT_TRUE(v.Running(TTimer::Start));
  EXPECT_FALSE(v.Get(TCtl::btnStart).enabled);
  w.app().Sign().SetValue(2);
  w.Load();
  EXPECT_TRUE(v.Get(TCtl::btnStart).enabled);
  EXPECT_FALSE(v.Visible(TCtl::lblOperDesc));
  EXPECT_FALSE(v.Running(TTimer::Loading));
  EXPECT_TRUE(v.Visible(TCtl::chkAgreementOk));
  EXPECT_TRUE(v.Visible(TCtl::lblAgreement));
  EXPECT_TRUE(v.Get(TCtl::chkAgreementOk).ticked);

  w.wizard.Click(TCtl::lblReadAndOK);
  EXPECT_FALSE(v.Get(TCtl::btnStart).enabled);
  EXPECT_EQ(v.Get(TCtl::btnStart).color, 0xC0C0C0u);
  EXPECT_FALSE(v.Get(TCtl::chkAgreementOk).ticked);
  w.wizard.Click(TCtl::chkAgreementOk);
  EXPECT_TRUE(v.Get(TCtl::btnStart).enabled);
  EXPECT_EQ(v.Get(TCtl::btnStart).color, w.app().Skin().Button_defBack);

  w.wizard.Click(TCtl::lblAgreement);
  EXPECT_EQ(w.Boxes().back(), "info[软件许可协议]: 第一条\r\n第二条\r\n");
}

// The loading step processes window messages while it opens the package: a click on any action
// button meanwhile starts nothing, and once loading ends the start page keeps the height the
// configuration asks for. The first real click then leaves the options panel behind.
TEST(WizardStartPage, ClicksWhileLoadingStartNothing) {
  const std::string shownItem =
      "[core_config]\r\nport=cfg_show:1;cfg_type:0;cfg_file:<app_path>conf.ini;cfg_sect:S;cfg_name:Port;"
      "cfg_title:端口;cfg_value:80;value_type:1;\r\n";
  for (const bool expanded : {false, true}) {
    SCOPED_TRACE(expanded ? "expanded" : "collapsed");
    WizardWorld w;
    w.Open(WizardWorld::Product(expanded ? "AppOptionExpanded=1\r\n" : "", std::string(kFixedModules) + shownItem));
    int pumped = 0;
    w.pump.step = [&] {
      ++pumped;
      for (const TCtl b : {TCtl::btnStart, TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall}) w.wizard.Click(b);
    };
    w.Load();
    w.pump.step = nullptr;
    ASSERT_GT(pumped, 0) << "the loading step must process messages";
    EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
    EXPECT_FALSE(WizardWorld::Exists(vqtest::kCoreFile));
    EXPECT_FALSE(w.view.Visible(TCtl::lblOperDesc));
    EXPECT_TRUE(w.view.Get(TCtl::btnStart).enabled);
    EXPECT_EQ(w.view.Bounds(TCtl::Main).height, expanded ? 464 : 393);
    EXPECT_EQ(w.view.Visible(TCtl::pnlStepOption), expanded);

    w.wizard.Click(TCtl::btnStart);
    ASSERT_EQ(w.view.page, TCtl::pnlStepConfig);
    EXPECT_TRUE(WizardWorld::Exists(vqtest::kCoreFile));
    EXPECT_EQ(w.view.Bounds(TCtl::Main).height, 393);
    EXPECT_FALSE(w.view.Visible(TCtl::pnlStepOption));
    EXPECT_EQ(w.view.Bounds(TCtl::pnlStepInstall).height, 391);
  }
}

// The slide interval has a floor of 300 ms; the options panel opens expanded only for a fresh
// install that asks for it.
TEST(WizardStartPage, SlideIntervalAndExpandedOptions) {
  struct Case {
    const char* mainLines;
    bool installed;
    int sliderMs;
    int height;
  };
  const Case cases[] = {
      {"AppInstalSliderImgtime=120\r\nAppOptionExpanded=1\r\n", false, 300, 464},
      {"AppInstalSliderImgtime=2500\r\n", false, 2500, 393},
      {"AppOptionExpanded=1\r\n", true, 0, 393},
      {"AppOptionExpanded=1\r\nAppInstallType=uninstall\r\n", true, 0, 393},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mainLines);
    WizardWorld w;
    if (c.installed) WizardWorld::RecordInstalled(vqtest::kWizardAppPath);
    w.Start(WizardWorld::Product(c.mainLines, kFixedModules));
    EXPECT_EQ(w.view.Bounds(TCtl::Main).height, c.height);
    EXPECT_EQ(w.view.Visible(TCtl::pnlStepOption), c.height > 393);
    EXPECT_EQ(w.view.Caption(TCtl::lblOption), std::string(c.height > 393 ? "∧ " : "∨ ") + "自定义选项");
    EXPECT_EQ(w.view.Bounds(TCtl::pnlStepInstall).height, c.height - 2);
    if (c.sliderMs == 0) continue;
    // The slide timer runs with the interval once a flow shows the install page.
    w.wizard.Click(TCtl::btnStart);
    EXPECT_EQ(w.view.timers[TTimer::Slider].intervalMs, c.sliderMs);
  }
}

// Every refused path gives its own message and leaves the wizard on the start page.
TEST(WizardStartPage, InstallPathChecks) {
  struct Case {
    const char* name;
    const char* mainLines;
    std::string path;
    std::string drivesFigure;
    std::string box;
  };
  const Case cases[] = {
      {"empty", "", "  ", "", "info[消息]: 抱歉，请输入或选择安装路径！"},
      {"missing drive", "", "Q:\\Apps\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！\r\nQ:\\"},
      {"no drive path", "", "Apps\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！\r\nApp"},
      {"a character Windows refuses", "", "D:\\Apps\\Game<1>\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！"},
      {"a device name", "", "D:\\Apps\\CON\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！"},
      {"a folder ending in a dot", "", "D:\\Apps.\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！"},
      {"climbing above the drive", "", "D:\\Apps\\..\\..\\T", "", "info[消息]: 抱歉，选择的安装路径不能访问！"},
      {"longer than 260 characters", "", "D:\\" + std::string(260, 'a'), "", "info[消息]: 抱歉，选择的安装路径不能访问！"},
      {"add-on still prompting", "AppSoftType=1\r\n", "D:\\Apps\\Tessaly", "",
       "info[消息]: 请选择需要安装“本模块”的软件目录..."},
      {"add-on with its own prompt", "AppSoftType=1\r\nAppDefPath=请选择主程序目录\r\n", "D:\\select\\x", "",
       "info[消息]: 请选择主程序目录"},
      {"disk smaller than the setup program", "", "D:\\Apps\\T", "10",
       "info[消息]: 抱歉，选择的安装磁盘空间不足，请重新选择！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    if (!c.drivesFigure.empty()) {
      vqtest::WriteFileBytes(w.world.fx.machine.root() + "/machine.ini", "[Drives]\r\nD=" + c.drivesFigure + "\r\n");
    }
    w.Start(WizardWorld::Product(c.mainLines, kFixedModules));
    (void)w.Boxes();
    w.view.SetCaption(TCtl::edtPath, c.path);
    w.wizard.Click(TCtl::btnStart);
    EXPECT_EQ(w.Boxes(), std::vector<std::string>{c.box});
    EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
    EXPECT_FALSE(WizardWorld::Exists(vqtest::kCoreFile));
    EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host("D:\\Apps")));
  }
}

// The check creates the product family's group folder when the path lies inside it; outside
// it only the drive root is looked at. (A "no" to the system question stops right after it.)
TEST(WizardStartPage, PathCheckCreatesOnlyTheGroupFolder) {
  struct Case {
    const char* path;
    const char* made;
    const char* notMade;
  };
  const Case cases[] = {
      {"D:\\Velmora软件\\Tessaly", "D:\\Velmora软件", "D:\\Velmora软件\\Tessaly"},
      {"D:\\Elsewhere\\Tessaly", nullptr, "D:\\Elsewhere"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    WizardWorld w;
    w.Start(WizardWorld::Product("AppSysRequire=Windows 7\r\n", kFixedModules));
    w.world.fx.ui.ScriptAnswer(orvane::kAnswerNo);
    w.view.SetCaption(TCtl::edtPath, c.path);
    w.wizard.Click(TCtl::btnStart);
    EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
    if (c.made != nullptr) {
      EXPECT_TRUE(fs::is_directory(vqtest::SetupEngineFixture::Host(c.made)));
    }
    EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host(c.notMade)));
  }
}

// "No" to the system requirement question leaves the wizard where it is; "Yes" installs.
TEST(WizardStartPage, SystemRequirementQuestion) {
  for (const int answer : {orvane::kAnswerNo, orvane::kAnswerYes}) {
    WizardWorld w;
    w.Start(WizardWorld::Product("AppSysRequire=Windows 7,Windows XP\r\n", kFixedModules));
    (void)w.Boxes();
    w.world.fx.ui.ScriptAnswer(answer);
    w.wizard.Click(TCtl::btnStart);
    const std::vector<std::string> boxes = w.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].rfind("query[询问]: " + w.Text("IDS_MSG_INSTALLSYSREQUIRE") + "\r\n" + w.Text("IDS_CURRSYSTEM") +
                                 "：Win10\r\n" + w.Text("IDS_SYSREQUIRE") + "：Windows 7,Windows XP",
                             0),
              0u)
        << boxes[0];
    EXPECT_EQ(w.view.page, answer == orvane::kAnswerYes ? TCtl::pnlStepFinsh : TCtl::pnlStepStart);
    EXPECT_EQ(WizardWorld::Exists(vqtest::kCoreFile), answer == orvane::kAnswerYes);
  }
}

// The folder dialog answers host folders: one inside a drive of the machine becomes its
// Windows path, one outside is refused with a message, a cancel changes nothing.
TEST(WizardStartPage, FolderDialogMapsHostFolders) {
  WizardWorld w;
  w.Start(WizardWorld::Product("", kFixedModules));
  (void)w.Boxes();
  fs::create_directories(vqtest::SetupEngineFixture::Host("D:\\产品\\新"));
  w.view.folderAnswer = vqtest::SetupEngineFixture::Host("D:\\产品\\新");
  w.wizard.Click(TCtl::btnPath);
  EXPECT_EQ(w.view.folderCaptions, std::vector<std::string>{"选择文件夹"});
  EXPECT_EQ(w.view.Caption(TCtl::edtPath), "D:\\产品\\新");

  vqtest::TempDir outside;
  w.view.folderAnswer = outside.path();
  w.wizard.Click(TCtl::btnPath);
  EXPECT_EQ(w.view.Caption(TCtl::edtPath), "D:\\产品\\新");
  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 抱歉，选择的安装路径不能访问！\r\n" + outside.path()});

  w.view.folderAnswer.reset();
  w.wizard.Click(TCtl::btnPath);
  EXPECT_EQ(w.view.Caption(TCtl::edtPath), "D:\\产品\\新");
  EXPECT_TRUE(w.Boxes().empty());
}

// The disk line of the options panel appears on its first opening and follows the path.
TEST(WizardStartPage, DiskLineFollowsThePath) {
  WizardWorld w;
  vqtest::WriteFileBytes(w.world.fx.machine.root() + "/machine.ini", "[Drives]\r\nD=5368709120\r\n");
  w.Start(WizardWorld::Product("", kFixedModules));
  w.view.SetCaption(TCtl::edtPath, "D:\\Apps\\X");
  w.wizard.edtPathChange();
  EXPECT_EQ(w.view.Caption(TCtl::lblPathInfo), "") << "nothing before the panel first opens";
  w.wizard.Click(TCtl::lblOption);
  EXPECT_TRUE(w.view.Visible(TCtl::pnlStepOption));
  EXPECT_EQ(w.view.Bounds(TCtl::Main).height, 393 + 71);
  const std::string line = w.view.Caption(TCtl::lblPathInfo);
  EXPECT_EQ(line.rfind("磁盘 D 总空间：", 0), 0u) << line;
  EXPECT_NE(line.find("，可用：5 GB"), std::string::npos) << line;
  w.view.SetCaption(TCtl::edtPath, "Q:\\Apps");
  w.wizard.edtPathChange();
  EXPECT_EQ(w.view.Caption(TCtl::lblPathInfo), "");
  w.wizard.Click(TCtl::lblOption);
  EXPECT_FALSE(w.view.Visible(TCtl::pnlStepOption));
  EXPECT_EQ(w.view.Bounds(TCtl::Main).height, 393);
}

// Hovering the product buttons shows their description; the close mark lights only while it
// is enabled.
TEST(WizardStartPage, HoverLooks) {
  WizardWorld w;
  WizardWorld::RecordInstalled(vqtest::kWizardAppPath);
  w.Start(WizardWorld::Product());
  const orvane::TvqSkin& skin = w.app().Skin();
  w.wizard.MouseEnter(TCtl::btnRepair);
  EXPECT_EQ(w.view.Caption(TCtl::lblOperDesc), "重新安装之前已安装功能");
  EXPECT_TRUE(w.view.Visible(TCtl::lblOperDesc));
  EXPECT_EQ(w.view.Get(TCtl::btnRepair).color, skin.Button_moveBack);
  w.wizard.MouseLeave(TCtl::btnRepair);
  EXPECT_FALSE(w.view.Visible(TCtl::lblOperDesc));
  EXPECT_EQ(w.view.Get(TCtl::btnRepair).color, skin.Button_defBack);
  w.wizard.MouseEnter(TCtl::lblClose);
  EXPECT_EQ(w.view.Get(TCtl::lblCloseBack).transparent, false);
  w.wizard.MouseLeave(TCtl::lblClose);
  EXPECT_EQ(w.view.Get(TCtl::lblCloseBack).transparent, true);
}

// An unticked box lights its inner label while hovered and turns to the page colour after;
// unticking paints it empty again. A ticked box has no inner label to colour.
TEST(WizardStartPage, InnerTickHover) {
  WizardWorld w;
  vqtest::SetupExeBuilder builder = WizardWorld::Product("AppAgreementFile=D:\\src\\agreement.txt\r\n");
  builder.AddAppFile({"D:\\src\\agreement.txt", "agreement.txt", platform::Utf8ToCp936("第一条")});
  w.Start(builder);
  const orvane::TvqSkin& skin = w.app().Skin();
  const TCtl box = TCtl::chkAgreementOk;
  ASSERT_TRUE(w.view.Visible(box));
  ASSERT_TRUE(w.wizard.IsTicked(box));
  w.wizard.MouseEnter(box);
  EXPECT_EQ(w.view.Get(box).innerColor, skin.Button_defFont);
  w.wizard.MouseLeave(box);
  w.wizard.Click(box);
  ASSERT_FALSE(w.wizard.IsTicked(box));
  EXPECT_EQ(w.view.Get(box).innerColor, skin.Button_defFont);
  w.wizard.MouseEnter(box);
  EXPECT_EQ(w.view.Get(box).innerColor, skin.Button_exit_moveFont);
  w.wizard.MouseLeave(box);
  EXPECT_EQ(w.view.Get(box).innerColor, skin.Form_font);
  w.wizard.Click(box);
  w.wizard.Click(box);
  EXPECT_EQ(w.view.Get(box).innerColor, skin.Button_defFont);
}

// An error raised inside a handler shows the error box and leaves the page as it was.
TEST(WizardController, HandlerErrorShowsTheErrorBox) {
  WizardWorld w;
  w.Start(WizardWorld::Product("", kFixedModules));
  (void)w.Boxes();
  // Without its own program file the free-space check cannot measure the setup program.
  fs::remove(w.world.fx.machine.programFile());
  w.wizard.Click(TCtl::btnStart);
  const std::vector<std::string> boxes = w.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("info[出错]: ", 0), 0u) << boxes[0];
  EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
  EXPECT_FALSE(w.view.closed);
}

// The minimise mark minimises, the background drags the window, the close mark closes it
// outside a flow; the engine is freed by FormDestroy.
TEST(WizardController, WindowMarks) {
  WizardWorld w;
  w.Start(WizardWorld::Product("", kFixedModules));
  w.wizard.Click(TCtl::lblMin);
  w.wizard.FormMouseMove();
  EXPECT_EQ(w.view.minimized, 1);
  EXPECT_EQ(w.view.drags, 1);
  w.wizard.Click(TCtl::lblClose);
  EXPECT_TRUE(w.view.closed);
  const std::string cache = w.app().CachePath;
  w.wizard.FormDestroy();
  EXPECT_EQ(w.wizard.App(), nullptr);
  EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host(cache)));
}

}  // namespace
