// The wizard window driven as a user would, offscreen: the real window over the real page flow
// and engine, on a packed test product installed into the machine's D: drive. Clicks are mouse
// presses and releases on the labels, typing is key events into the edit boxes. Every page and
// both boxes leave a screenshot under <build>/screenshots.
#include "setup/ui/MainUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqSkin.h"
#include "setup/ui/PageWidgets.h"
#include "setup/ui/SkinPaint.h"
#include "setup_ui/MessageBoxDriver.h"
#include "setup_ui/WindowInput.h"
#include "support/OffscreenApp.h"
#include "support/SetupEngineFixture.h"
#include "support/SetupPacedClock.h"
#include "support/TempDir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::OnNextBox;

constexpr const char* kAppPath = "D:\\Apps\\Tessaly\\";

constexpr const char* kProduct =
    "[Main]\r\nAppId=1001\r\nAppGuid={5B1E0C7A-9D2F-4E61-8A3B-6C4D2E1F0A9B}\r\nAppTitle=Tessaly\r\n"
    "AppName=tessaly\r\nAppVersion=2.1.0\r\nAppDefPath=D:\\Apps\\Tessaly\r\n"
    "AppUninstExeFile=D:\\src\\Uninstall.exe\r\nAppAgreementFile=D:\\src\\agreement.txt\r\n"
    "AppInstWord=安装完成，感谢使用！\r\n";

// A fixed core, two optional modules in two groups, a shown configuration page of two items and
// two finish actions that do nothing but pause.
constexpr const char* kModules =
    "[module]\r\n"
    "core=核心;can_select:0;setup:1;\r\n"
    "sync=同步服务;can_select:1;setup:1;item_group:基础功能;\r\n"
    "web=网页插件;can_select:1;setup:0;item_group:扩展功能;\r\n"
    "[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\n"
    "[sync_filegroup]\r\nfilegroup1=group_id:g_sync;\r\n"
    "[web_filegroup]\r\nfilegroup1=group_id:g_web;\r\n"
    "[file_group]\r\n"
    "g_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;filesize:4096;\r\n"
    "g_sync=app_id:1001;group_id:g_sync;group_name:sync;group_title:同步文件;filesize:2097152;\r\n"
    "g_web=app_id:1001;group_id:g_web;group_name:web;group_title:网页文件;filesize:1048576;\r\n"
    "[core_config]\r\n"
    "port=cfg_show:1;cfg_type:0;cfg_file:<app_path>tessaly.ini;cfg_sect:Server;cfg_name:Port;value_type:1;"
    "cfg_value:9103;cfg_title:服务端口;\r\n"
    "host=cfg_show:1;cfg_type:0;cfg_file:<app_path>tessaly.ini;cfg_sect:Server;cfg_name:Host;"
    "cfg_value:127.0.0.1;cfg_title:服务地址;\r\n"
    "[_exec_1]\r\n"
    "{E1}=exec_name:启动同步服务;exec_type:3;is_can_select:1;is_def_select:1;setup_style:1;\r\n"
    "{E2}=exec_name:打开说明;exec_type:3;is_can_select:1;is_def_select:0;setup_style:1;\r\n";

std::string FileLine(const std::string& group, const std::string& name) {
  const std::string source = "D:\\src\\" + name;
  return source + ";subfolder_id:1;=app_id:1001;group_id:" + group + ";src_file:" + source +
         ";dst_path:<app_path>bin\\;tag_replace:1;tag_uninstall:1;lastwritetime:2020-07-17 09:30:07;\r\n";
}

std::string Files() {
  return "[g_core_files]\r\n" + FileLine("g_core", "core.txt") + "[g_sync_files]\r\n" + FileLine("g_sync", "sync.txt") +
         "[g_web_files]\r\n" + FileLine("g_web", "web.txt");
}

using vqtest::MouseClick;
using vqtest::WaitFor;

void Type(QWidget* edit, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &key);
  }
}

// A picture of one colour with a darker frame, as PNG bytes.
std::string Png(int width, int height, const QColor& color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color.darker(150));
  for (int y = 4; y < height - 4; ++y)
    for (int x = 4; x < width - 4; ++x) image.setPixelColor(x, y, color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

QColor Back(QWidget* widget) { return widget->palette().color(QPalette::Window); }
QColor Font(QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

class WizardWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    vqtest::OffscreenApp();
    fs::create_directories(fx.machine.root() + "/drive_d");
  }
  void TearDown() override { window_.reset(); }

  // Packs the product with `mainLines` added to [Main] (and other modules) and opens the
  // window; waits until the application files are loaded. The product has a logo and two slides.
  void Open(const std::string& mainLines = "", const std::string& modules = kModules) {
    if (!packed_) {
      vqtest::SetupExeBuilder builder;
      builder.SetConfig(std::string(kProduct) + mainLines + modules + Files() +
                        "[slider_imgs]\r\nslider_img1=D:\\src\\slide1.png\r\nslider_img2=D:\\src\\slide2.png\r\n");
      for (const char* name : {"core.txt", "sync.txt", "web.txt"})
        builder.AddPayloadFile({std::string("D:\\src\\") + name, name, std::string("bytes of ") + name});
      builder.AddPayloadFile({"D:\\src\\Uninstall.exe", "Uninstall.exe", "uninstaller program"});
      builder.AddAppFile({"D:\\src\\agreement.txt", "agreement.txt", "软件许可协议正文"});
      builder.AddAppFile({"D:\\src\\slide1.png", "slide1.png", Png(520, 331, QColor(40, 160, 90))});
      builder.AddAppFile({"D:\\src\\slide2.png", "slide2.png", Png(520, 331, QColor(200, 120, 40))});
      builder.AddResource("res_logo", Png(64, 64, QColor(250, 250, 250)));
      fx.Pack(builder);
      packed_ = true;
    }
    window_.reset();  // one window at a time, as in the program
    window_ = std::make_unique<TMain>();
    window_->show();
    ASSERT_TRUE(WaitFor([&] { return !window_->Timer(TTimer::Start).isActive(); }));
  }

  TMain& W() { return *window_; }
  QWidget* C(TCtl ctl) { return W().Control(ctl); }
  std::string TextOf(TCtl ctl) { return W().Text(ctl); }
  void Click(TCtl ctl) { MouseClick(C(ctl)); }
  const TvqSkin& Skin() { return W().Controller().App()->Skin(); }
  void Shot(const std::string& name) { EXPECT_FALSE(vqtest::SaveScreenshot(W(), "wizard_" + name).empty()); }

  vqtest::SetupEngineFixture fx;
  vqtest::SetupPacedClock paced_{fx.clock};
  vqtest::ScopedSetupClock pacedScope_{paced_};
  std::unique_ptr<TMain> window_;
  bool packed_ = false;
};

// A fresh install: the borderless window opens on the start page with the marks on it; the
// buttons wait for the application files; the texts, colours and the agreement follow the
// configuration and the skin.
TEST_F(WizardWindow, FreshInstallStartPage) {
  Open("AppSysRequire=Windows 7,Windows 10\r\n");
  for (int i = 0; i < static_cast<int>(TCtl::Count); ++i) EXPECT_NE(W().Control(static_cast<TCtl>(i)), nullptr) << i;
  EXPECT_TRUE(W().windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(W().size(), QSize(520, 393));
  EXPECT_TRUE(C(TCtl::pnlStepStart)->isVisible());
  EXPECT_EQ(C(TCtl::pnlStepStart)->geometry(), QRect(1, 1, 518, 391));
  for (TCtl page : {TCtl::pnlStepItems, TCtl::pnlStepConfig, TCtl::pnlStepInstall, TCtl::pnlStepFinsh})
    EXPECT_FALSE(C(page)->isVisible());
  for (TCtl mark : {TCtl::lblMin, TCtl::lblClose}) EXPECT_EQ(C(mark)->parentWidget(), C(TCtl::pnlStepStart));

  EXPECT_EQ(TextOf(TCtl::lblTitle), "欢迎安装使用");
  EXPECT_EQ(TextOf(TCtl::btnStart), "准备安装");
  EXPECT_EQ(TextOf(TCtl::lblAppTitle), "Tessaly");
  EXPECT_EQ(TextOf(TCtl::lblAppVersion), "2.1.0");
  EXPECT_TRUE(C(TCtl::imgAppLogo)->isVisible());
  EXPECT_EQ(C(TCtl::imgAppLogo)->geometry(), QRect((520 - 64) / 2, C(TCtl::imgAppLogo)->y(), 64, 64));
  EXPECT_EQ(TextOf(TCtl::lblSysRequire), "系统要求：Windows 7,Windows 10");
  EXPECT_TRUE(C(TCtl::lblSysRequire)->isVisible());
  EXPECT_FALSE(C(TCtl::lblOperDesc)->isVisible());
  EXPECT_TRUE(C(TCtl::btnStart)->isEnabled());
  EXPECT_FALSE(C(TCtl::btnEdit)->isVisible());
  EXPECT_EQ(Back(C(TCtl::lblSetp1Back)), ToQColor(Skin().Form_back));
  EXPECT_EQ(Back(C(TCtl::pnlStepStart)), ToQColor(Skin().Form_font));
  EXPECT_EQ(Back(C(TCtl::btnStart)), ToQColor(Skin().Button_defBack));
  EXPECT_EQ(Font(C(TCtl::btnStart)), ToQColor(Skin().Button_defFont));

  // The agreement: ticked, and its caption or inner label toggles it and the start button.
  TTickBox& agreement = *W().Tick(TCtl::chkAgreementOk);
  ASSERT_TRUE(agreement.Outer->isVisible());
  EXPECT_EQ(agreement.Outer->text().toStdString(), "√");
  EXPECT_FALSE(agreement.Inner->isVisible());
  Shot("start_install");
  Click(TCtl::lblReadAndOK);
  EXPECT_TRUE(agreement.Outer->text().isEmpty());
  EXPECT_TRUE(agreement.Inner->isVisible());
  EXPECT_EQ(agreement.Inner->geometry(), agreement.Outer->geometry().adjusted(2, 2, -2, -2));
  EXPECT_FALSE(C(TCtl::btnStart)->isEnabled());
  MouseClick(agreement.Inner);
  EXPECT_EQ(agreement.Outer->text().toStdString(), "√");
  EXPECT_TRUE(C(TCtl::btnStart)->isEnabled());

  // The options panel opens under its toggle and makes the window taller.
  Click(TCtl::lblOption);
  EXPECT_EQ(W().height(), 393 + 71);
  EXPECT_TRUE(C(TCtl::pnlStepOption)->isVisible());
  EXPECT_EQ(C(TCtl::pnlStepStart)->height(), W().height() - 2);
  EXPECT_EQ(TextOf(TCtl::edtPath), kAppPath);
  EXPECT_EQ(TextOf(TCtl::lblOption), "∧ 自定义选项");
  EXPECT_GE(C(TCtl::edtPath)->x(), C(TCtl::lblSetupPathLabel)->geometry().right());
  Shot("start_options");
  Click(TCtl::lblOption);
  EXPECT_EQ(W().height(), 393);
}

// The uninstaller's start page: the farewell, one uninstall button, the deep-uninstall box
// unticked until clicked, and the install path.
TEST_F(WizardWindow, UninstallerStartPage) {
  Open("AppInstallType=uninstall\r\n");
  EXPECT_EQ(TextOf(TCtl::lblTitle), "遗憾离开");
  EXPECT_EQ(TextOf(TCtl::btnStart), "卸载");
  EXPECT_FALSE(C(TCtl::lblAgreement)->isVisible());
  EXPECT_FALSE(C(TCtl::lblOption)->isVisible());
  TTickBox& deep = *W().Tick(TCtl::chkUninstDeepness);
  ASSERT_TRUE(deep.Outer->isVisible());
  EXPECT_TRUE(deep.Inner->isVisible());
  EXPECT_TRUE(C(TCtl::lblInstedInfo)->isVisible());
  Shot("start_uninstaller");
  Click(TCtl::lblUninstDeepness);
  EXPECT_EQ(deep.Outer->text().toStdString(), "√");
  EXPECT_FALSE(deep.Inner->isVisible());
}

// With the options panel expanded by the configuration the window opens 464 pixels high.
TEST_F(WizardWindow, OptionsOpenExpandedWhenConfigured) {
  Open("AppOptionExpanded=1\r\n");
  EXPECT_EQ(W().height(), 464);
  EXPECT_TRUE(C(TCtl::pnlStepOption)->isVisible());
  EXPECT_EQ(C(TCtl::pnlStepOption)->y(), C(TCtl::lblOption)->geometry().bottom() + 1 + 5);
}

// While the package loads the action button is disabled and looks it: its caption is drawn in
// the system's grey, not in the skin's button font, which it takes once loading has ended.
TEST_F(WizardWindow, DisabledButtonLooksDisabledWhileLoading) {
  Open();  // packs the product once; the window of this first run is done with
  window_.reset();
  window_ = std::make_unique<TMain>();
  window_->show();
  QWidget* start = C(TCtl::btnStart);
  ASSERT_TRUE(window_->Timer(TTimer::Start).isActive()) << "loading already over";
  ASSERT_FALSE(start->isEnabled());
  ASSERT_TRUE(C(TCtl::lblOperDesc)->isVisible());
  const QColor defFont = ToQColor(Skin().Button_defFont);
  const QColor grey = ToQColor(0xFF000011);  // the system's grey text
  const QImage disabled = start->grab().toImage();
  Shot("start_loading");
  ASSERT_TRUE(WaitFor([&] { return !window_->Timer(TTimer::Start).isActive(); }));
  ASSERT_TRUE(start->isEnabled());
  const QImage enabled = start->grab().toImage();
  const auto holds = [](const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y).rgb() == color.rgb()) return true;
    return false;
  };
  EXPECT_FALSE(holds(disabled, defFont));
  EXPECT_TRUE(holds(disabled, grey));
  EXPECT_TRUE(holds(enabled, defFont));
  EXPECT_EQ(start->palette().color(QPalette::Active, QPalette::WindowText), defFont);
  EXPECT_EQ(start->palette().color(QPalette::Inactive, QPalette::WindowText), defFont);
  EXPECT_EQ(Back(start), ToQColor(Skin().Button_defBack));
}

// Real clicks on the start button while the loading step processes window messages start no
// install; once loading is over the window keeps the start page at its expanded height.
TEST_F(WizardWindow, ClicksWhileLoadingStartNothing) {
  // Nothing to choose: the start button would go straight into the install.
  std::string fixed = kModules;
  for (std::size_t at; (at = fixed.find("can_select:1")) != std::string::npos;) fixed.replace(at, 12, "can_select:0");
  Open("AppOptionExpanded=1\r\n", fixed);
  window_.reset();
  window_ = std::make_unique<TMain>();
  int clicks = 0;
  QTimer during;
  QObject::connect(&during, &QTimer::timeout, [&] {
    // Inside the loading step: its timer is off and the loading line still shows.
    if (window_->Timer(TTimer::Start).isActive() || !C(TCtl::lblOperDesc)->isVisible()) return;
    ++clicks;
    MouseClick(C(TCtl::btnStart));
  });
  during.start(0);
  window_->show();
  ASSERT_TRUE(WaitFor([&] { return !window_->Timer(TTimer::Start).isActive() && !C(TCtl::lblOperDesc)->isVisible(); }));
  during.stop();
  EXPECT_GT(clicks, 0);
  EXPECT_TRUE(C(TCtl::pnlStepStart)->isVisible());
  EXPECT_FALSE(C(TCtl::pnlStepConfig)->isVisible());
  EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host(std::string(kAppPath) + "bin\\core.txt")));
  EXPECT_EQ(W().height(), 464);
  EXPECT_TRUE(C(TCtl::btnStart)->isEnabled());
}

// Text that reaches a configuration box by paste or input method obeys the same rules as typed
// keys: digits only in the numeric box, at most eight characters in the others. Only what the
// rules let through is written into the product's INI file.
TEST_F(WizardWindow, PastedConfigurationTextKeepsTheLimits) {
  Open();
  Click(TCtl::btnStart);
  Click(TCtl::btnItemsNext);
  ASSERT_TRUE(C(TCtl::pnlStepConfig)->isVisible());
  auto* port = static_cast<QLineEdit*>(C(TCtl::edtICfgItem1));
  auto* host = static_cast<QLineEdit*>(C(TCtl::edtICfgItem2));
  const auto keys = [](QWidget* edit, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(edit, &press);
  };
  const auto paste = [&](QLineEdit* edit, const QString& text, bool replaceAll) {
    QApplication::clipboard()->setText(text);
    if (replaceAll) keys(edit, Qt::Key_A, Qt::ControlModifier);
    keys(edit, Qt::Key_V, Qt::ControlModifier);
  };
  paste(port, QStringLiteral("8080C:\\Program Files\\x"), true);
  EXPECT_EQ(port->text().toStdString(), "8080");
  keys(port, Qt::Key_End, Qt::NoModifier);
  paste(port, QStringLiteral("1 2"), false);
  EXPECT_EQ(port->text().toStdString(), "808012");
  paste(host, QStringLiteral("sync.example.net"), true);
  EXPECT_EQ(host->text().toStdString(), "sync.exa");
  // Replacing a selection frees its room; the rest of the paste is cut at the limit.
  host->setSelection(0, 4);
  paste(host, QStringLiteral("relay-01"), false);
  EXPECT_EQ(host->text().toStdString(), "rela.exa");
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("服务器"));
  QApplication::sendEvent(host, &composed);
  EXPECT_EQ(host->text().toStdString(), "rela.exa");
  QInputMethodEvent digits;
  digits.setCommitString(QStringLiteral("9九"));
  QApplication::sendEvent(port, &digits);
  EXPECT_EQ(port->text().toStdString(), "8080129");
  Shot("config_after_paste");
  Click(TCtl::btnICFGNext);
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  const std::string ini = std::string(kAppPath) + "tessaly.ini";
  EXPECT_EQ(platform::GetPrivateProfileString("Server", "Port", "", ini, platform::ProfileCodePage::Ansi), "8080129");
  EXPECT_EQ(platform::GetPrivateProfileString("Server", "Host", "", ini, platform::ProfileCodePage::Ansi), "rela.exa");
}

// The whole install through the window: items page, install page, configuration page with its
// typing rules, finish page; then the installed product's start page in a second run.
TEST_F(WizardWindow, InstallThroughEveryPage) {
  // A stored host longer than the typing limit is shown and kept whole.
  fs::create_directories(vqtest::SetupEngineFixture::Host(kAppPath));
  (void)platform::WritePrivateProfileString("Server", "Host", "sync.example.net", std::string(kAppPath) + "tessaly.ini",
                                            platform::ProfileCodePage::Ansi);
  Open();
  Click(TCtl::btnStart);
  ASSERT_TRUE(C(TCtl::pnlStepItems)->isVisible());
  EXPECT_EQ(C(TCtl::lblClose)->parentWidget(), C(TCtl::pnlStepItems));
  EXPECT_EQ(TextOf(TCtl::lblItemTitle), "请选择安装模块");
  EXPECT_EQ(TextOf(TCtl::lblGroup1), "基础功能");
  EXPECT_EQ(TextOf(TCtl::lblGroup2), "扩展功能");
  EXPECT_EQ(TextOf(TCtl::lblItem1), "同步服务");
  EXPECT_EQ(TextOf(TCtl::lblItem2), "网页插件");
  EXPECT_FALSE(C(TCtl::lblItem3)->isVisible());
  // Nothing installed yet: the rows start as the module list says.
  EXPECT_TRUE(W().Tick(TCtl::chkItem1Ok)->Ticked());
  TTickBox& web = *W().Tick(TCtl::chkItem2Ok);
  EXPECT_FALSE(web.Ticked());
  EXPECT_EQ(web.Outer->pos(), C(TCtl::lblItem2)->pos() - QPoint(24, 0));
  const std::string sizeWithoutWeb = TextOf(TCtl::lblItemsFileSize);
  Click(TCtl::lblItem2);
  EXPECT_TRUE(web.Ticked());
  EXPECT_NE(TextOf(TCtl::lblItemsFileSize), sizeWithoutWeb);
  Shot("items");
  MouseClick(web.Outer);
  EXPECT_FALSE(web.Ticked());
  EXPECT_EQ(TextOf(TCtl::lblItemsFileSize), sizeWithoutWeb);
  EXPECT_EQ(C(TCtl::lblItemsFileInfo2)->x(), C(TCtl::lblItemsFileSize)->geometry().right() + 1 + 8);

  // While the flow runs: the install page with the close mark disabled; closing is refused.
  // Looked at once the first file is placed.
  bool sawInstallPage = false;
  QTimer during;
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (sawInstallPage || !C(TCtl::pnlStepInstall)->isVisible() || C(TCtl::PBar)->width() == 0) return;
    sawInstallPage = true;
    EXPECT_FALSE(C(TCtl::lblClose)->isEnabled());
    EXPECT_FALSE(TextOf(TCtl::lblInstallState).empty());
    EXPECT_FALSE(W().close());
    Shot("install");
  });
  during.start(0);
  Click(TCtl::btnItemsNext);
  during.stop();
  EXPECT_TRUE(sawInstallPage);
  EXPECT_TRUE(W().isVisible());

  // The configuration page: the numeric row takes digits only, the others stop at 8 typed
  // characters but keep a longer stored value.
  ASSERT_TRUE(C(TCtl::pnlStepConfig)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblICfgItem1), "服务端口：");
  EXPECT_EQ(TextOf(TCtl::edtICfgItem1), "9103");
  EXPECT_EQ(TextOf(TCtl::edtICfgItem2), "sync.example.net");
  auto* port = static_cast<QLineEdit*>(C(TCtl::edtICfgItem1));
  auto* host = static_cast<QLineEdit*>(C(TCtl::edtICfgItem2));
  port->clear();
  Type(port, "9a1b0");
  EXPECT_EQ(port->text().toStdString(), "910");
  host->end(false);
  Type(host, "x");
  EXPECT_EQ(host->text().toStdString(), "sync.example.net");
  host->clear();
  Type(host, "10.0.0.250");
  EXPECT_EQ(host->text().toStdString(), "10.0.0.2");
  Shot("config");
  Click(TCtl::btnICFGNext);

  // The finish page with its two actions; the finish button runs them and closes the window.
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblFinishTitle), "安装成功");
  EXPECT_EQ(TextOf(TCtl::lblExec1), "启动同步服务");
  EXPECT_TRUE(W().Tick(TCtl::chkExecOk1)->Ticked());
  EXPECT_FALSE(W().Tick(TCtl::chkExecOk2)->Ticked());
  Shot("finish");
  bool closed = false;
  QObject::connect(&W(), &TMain::closed, [&] { closed = true; });
  Click(TCtl::btnFinish);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(W().isVisible());
  const std::string ini = std::string(kAppPath) + "tessaly.ini";
  EXPECT_EQ(platform::GetPrivateProfileString("Server", "Port", "", ini, platform::ProfileCodePage::Ansi), "910");
  EXPECT_EQ(platform::GetPrivateProfileString("Server", "Host", "", ini, platform::ProfileCodePage::Ansi), "10.0.0.2");
  EXPECT_TRUE(fs::exists(vqtest::SetupEngineFixture::Host(std::string(kAppPath) + "bin\\sync.txt")));
  EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host(std::string(kAppPath) + "bin\\web.txt")));

  // Run again, the product is installed: change, repair and uninstall, with the install path.
  Open();
  EXPECT_EQ(TextOf(TCtl::lblTitle), "感谢使用");
  EXPECT_FALSE(C(TCtl::btnStart)->isVisible());
  EXPECT_EQ(TextOf(TCtl::btnEdit), "修改");
  EXPECT_EQ(TextOf(TCtl::btnRepair), "修复");
  EXPECT_EQ(TextOf(TCtl::btnUnInstall), "卸载");
  EXPECT_TRUE(C(TCtl::lblInstedInfo)->isVisible());
  Shot("start_installed");
}

// Ten selectable modules in two groups fill two columns of rows; every caption shows whole.
TEST_F(WizardWindow, TenModulesInTwoColumns) {
  std::string modules = "[module]\r\ncore=核心;can_select:0;setup:1;\r\n";
  for (int i = 1; i <= 10; ++i)
    modules += "m" + std::to_string(i) + "=扩展模块" + std::to_string(i) +
               "号;can_select:1;setup:1;item_group:" + (i <= 5 ? "基础功能" : "扩展功能") + ";\r\n";
  Open("", modules +
               "[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\n[file_group]\r\n"
               "g_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;filesize:4096;\r\n");
  Click(TCtl::btnStart);
  ASSERT_TRUE(C(TCtl::pnlStepItems)->isVisible());
  QWidget* area = C(TCtl::pnlItems);
  for (int n = 1; n <= kItemRows; ++n) {
    QWidget* caption = C(*NthCtl(TCtl::lblItem1, n, kItemRows));
    ASSERT_TRUE(caption->isVisible()) << n;
    EXPECT_TRUE(area->rect().contains(caption->geometry())) << n;
    EXPECT_EQ(caption->width(), caption->sizeHint().width()) << n;
  }
  EXPECT_NE(C(TCtl::lblItem1)->x(), C(TCtl::lblItem2)->x());
  Shot("items_ten");
}

// Six finish actions, one caption longer than eight characters: two columns on the finish page,
// every caption whole inside the action area with its box to its left; a click on a caption
// ticks its box.
TEST_F(WizardWindow, FinishActionsInTwoColumns) {
  const char* names[] = {"启动同步服务",     "打开网页版使用说明", "注册开机自动启动",
                         "创建桌面快捷方式", "查看更新日志",       "加入用户体验计划"};
  std::string modules =
      "[module]\r\ncore=核心;can_select:0;setup:1;\r\n[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\n"
      "[file_group]\r\ng_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;filesize:4096;\r\n"
      "[_exec_1]\r\n";
  for (int i = 0; i < 6; ++i)
    modules += "{F" + std::to_string(i + 1) + "}=exec_name:" + names[i] +
               ";exec_type:3;is_can_select:1;is_def_select:" + (i % 2 == 0 ? "1" : "0") + ";setup_style:1;\r\n";
  Open("", modules);
  Click(TCtl::btnStart);  // nothing to choose: straight into the install
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  QWidget* area = C(TCtl::pnlExecs);
  ASSERT_TRUE(area->isVisible());
  for (int n = 1; n <= kExecRows; ++n) {
    SCOPED_TRACE(n);
    QWidget* caption = C(*NthCtl(TCtl::lblExec1, n, kExecRows));
    TTickBox& box = *W().Tick(*NthCtl(TCtl::chkExecOk1, n, kExecRows));
    ASSERT_EQ(caption->isVisible(), n <= 6);
    if (n > 6) continue;
    EXPECT_EQ(TextOf(*NthCtl(TCtl::lblExec1, n, kExecRows)), names[n - 1]);
    EXPECT_TRUE(area->rect().contains(caption->geometry()));
    EXPECT_EQ(caption->width(), caption->sizeHint().width());
    EXPECT_EQ(box.Outer->pos(), caption->pos() - QPoint(24, 0));
    EXPECT_EQ(box.Ticked(), n % 2 == 1);
  }
  EXPECT_EQ(C(TCtl::lblExec2)->y(), C(TCtl::lblExec1)->y());
  EXPECT_GT(C(TCtl::lblExec2)->x(), C(TCtl::lblExec1)->geometry().right());
  EXPECT_GT(C(TCtl::lblExec3)->y(), C(TCtl::lblExec1)->y());
  Click(TCtl::lblExec2);
  EXPECT_TRUE(W().Tick(TCtl::chkExecOk2)->Ticked());
  Shot("finish_two_columns");
  bool closed = false;
  QObject::connect(&W(), &TMain::closed, [&] { closed = true; });
  Click(TCtl::btnFinish);
  EXPECT_TRUE(closed);
}

// The "..." button opens the folder dialog at the path's folder; the chosen folder comes back
// as the machine's Windows path.
TEST_F(WizardWindow, FolderDialogFillsThePath) {
  Open();
  Click(TCtl::lblOption);
  const std::string other = vqtest::SetupEngineFixture::Host("D:\\Other");
  fs::create_directories(other);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(top);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      shown = true;
      EXPECT_EQ(dialog->windowTitle().toStdString(), "选择文件夹");
      dialog->setDirectory(QString::fromStdString(other));
      dialog->selectFile(QString::fromStdString(other));
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
  Click(TCtl::btnPath);
  EXPECT_TRUE(shown);
  EXPECT_EQ(TextOf(TCtl::edtPath), "D:\\Other");
}

// Without the path's folder on disk the dialog opens at its nearest folder that exists, and at
// the machine root when the path's drive is missing or the text is no drive path.
TEST_F(WizardWindow, FolderDialogStartsAtTheNearestFolder) {
  Open();
  Click(TCtl::lblOption);
  const std::string root = platform::MachineRoot();
  fs::create_directories(vqtest::SetupEngineFixture::Host("D:\\Made"));
  struct Case {
    const char* path;
    std::string opensAt;
  };
  const Case cases[] = {
      {"D:\\Apps\\Tessaly\\", vqtest::SetupEngineFixture::Host("D:\\")},
      {"D:\\Made\\Tessaly\\bin", vqtest::SetupEngineFixture::Host("D:\\Made")},
      {"Q:\\Nowhere\\Tessaly", root},
      {"Apps\\Tessaly", root},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    QWidget* edit = C(TCtl::edtPath);
    QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(edit, &all);
    Type(edit, QString::fromStdString(c.path));
    ASSERT_EQ(TextOf(TCtl::edtPath), c.path);
    QString opened;
    QTimer::singleShot(0, [&] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(top);
        if (dialog == nullptr || !dialog->isVisible()) continue;
        opened = dialog->directory().canonicalPath();
        QMetaObject::invokeMethod(dialog, "reject");
      }
    });
    Click(TCtl::btnPath);
    EXPECT_EQ(opened.toStdString(), QDir(QString::fromStdString(c.opensAt)).canonicalPath().toStdString());
    EXPECT_EQ(TextOf(TCtl::edtPath), c.path);
  }
}

// Hovering a product button shows its description; the close mark's red back shows on hover.
TEST_F(WizardWindow, HoverLooks) {
  Open();
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(C(TCtl::btnStart), &enter);
  EXPECT_EQ(Back(C(TCtl::btnStart)), ToQColor(Skin().Button_moveBack));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(C(TCtl::btnStart), &leave);
  EXPECT_EQ(Back(C(TCtl::btnStart)), ToQColor(Skin().Button_defBack));
  QApplication::sendEvent(C(TCtl::lblClose), &enter);
  EXPECT_TRUE(C(TCtl::lblCloseBack)->autoFillBackground());
  QApplication::sendEvent(C(TCtl::lblClose), &leave);
  EXPECT_FALSE(C(TCtl::lblCloseBack)->autoFillBackground());
}

// Pressing on the top band and moving the mouse drags the window.
TEST_F(WizardWindow, DraggedFromTheBand) {
  Open();
  QWidget* band = C(TCtl::lblSetp1Back);
  const QPoint before = W().pos();
  const QPointF at(100, 100);
  QMouseEvent press(QEvent::MouseButtonPress, at, band->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(band, &press);
  QCursor::setPos(band->mapToGlobal(QPoint(140, 130)));
  const QPointF to(140, 130);
  QMouseEvent move(QEvent::MouseMove, to, band->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(band, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to, band->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(band, &release);
  EXPECT_NE(W().pos(), before);
}

// The close mark on the start page closes the window; destroying it removes the engine's cache
// folder and keeps the setup log.
TEST_F(WizardWindow, CloseMarkEndsAndCleansUp) {
  Open();
  const std::string cache = vqtest::SetupEngineFixture::Host(W().Controller().App()->CachePath);
  ASSERT_TRUE(fs::exists(cache));
  bool closed = false;
  QObject::connect(&W(), &TMain::closed, [&] { closed = true; });
  Click(TCtl::lblClose);
  EXPECT_TRUE(closed);
  window_.reset();
  EXPECT_FALSE(fs::exists(cache));
  EXPECT_FALSE(vqtest::SetupEngineFixture::SetupLogText().empty());
}

// The polite quit closes an idle window at once and tells the engine's waits to give up.
TEST_F(WizardWindow, PoliteQuitClosesAnIdleWindow) {
  Open();
  EXPECT_FALSE(W().Terminating());
  bool closed = false;
  QObject::connect(&W(), &TMain::closed, [&] { closed = true; });
  W().RequestQuit();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(W().Terminating());
  EXPECT_TRUE(AppTerminating());
}

// A polite quit while files are placed waits for the flow: the install ends whole, then the
// window closes.
TEST_F(WizardWindow, PoliteQuitDuringAFlowWaitsForIt) {
  Open();
  Click(TCtl::btnStart);
  bool closed = false;
  QObject::connect(&W(), &TMain::closed, [&] { closed = true; });
  bool asked = false;
  QTimer during;
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!asked && C(TCtl::pnlStepInstall)->isVisible() && C(TCtl::PBar)->width() > 0) {
      asked = true;
      W().RequestQuit();
      EXPECT_FALSE(closed);
    }
    if (TvqMessageBox* box = testing::ShownBox()) {
      ADD_FAILURE() << box->MsgData();
      box->lblClose->Click();
    }
  });
  during.start(0);
  Click(TCtl::btnItemsNext);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(WaitFor([&] { return closed; }));
  during.stop();
  EXPECT_TRUE(fs::exists(vqtest::SetupEngineFixture::Host(std::string(kAppPath) + "bin\\sync.txt")));
}

// A file held open by another program during the install: the box names it once the flow has
// ended, and the window goes on to the configuration page and the finish page.
TEST_F(WizardWindow, HeldFileIsNamedAndTheInstallFinishes) {
  const std::string held = std::string(kAppPath) + "bin\\core.txt";
  vqtest::WriteFileBytes(vqtest::SetupEngineFixture::Host(held), "in use");
  platform::FileHold hold(held);
  ASSERT_TRUE(hold.IsHeld());
  Open();
  Click(TCtl::btnStart);
  ASSERT_TRUE(C(TCtl::pnlStepItems)->isVisible());
  std::string told;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    TvqMessageBox* box = testing::ShownBox();
    if (box == nullptr || !told.empty()) return;
    told = box->lblTitle->text().toStdString() + ": " + box->MsgData();
    EXPECT_FALSE(vqtest::SaveScreenshot(*box, "wizard_box_failed_files").empty());
    box->lblBtn2->Click();
  });
  watch.start(0);
  Click(TCtl::btnItemsNext);
  watch.stop();
  EXPECT_EQ(told, "消息: 安装文件失败：1，bin\\core.txt");
  ASSERT_TRUE(C(TCtl::pnlStepConfig)->isVisible());
  Click(TCtl::btnICFGNext);
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblFinishTitle), "安装成功");
  Shot("finish_after_failed_file");
  hold.Release();
  EXPECT_EQ(vqtest::ReadFileBytes(vqtest::SetupEngineFixture::Host(held)), "in use");
  EXPECT_EQ(vqtest::ReadFileBytes(vqtest::SetupEngineFixture::Host(std::string(kAppPath) + "bin\\sync.txt")),
            "bytes of sync.txt");
}

// The core's boxes are the skinned message boxes, Chinese texts and all; an error that reached
// the event loop shows the "出错" box.
TEST_F(WizardWindow, BoxesAndErrors) {
  Open();
  OnNextBox([&](TvqMessageBox& box) {
    EXPECT_EQ(box.lblTitle->text().toStdString(), "消息");
    EXPECT_EQ(Back(box.lblHead_back), ToQColor(Skin().Form_back));
    EXPECT_FALSE(vqtest::SaveScreenshot(box, "wizard_box_info").empty());
    box.lblBtn2->Click();
  });
  TvqLib::InfoBox("抱歉，选择的安装路径不能访问！", "消息");
  OnNextBox([&](TvqMessageBox& box) {
    EXPECT_EQ(box.lblBtn2->text().toStdString(), "是");
    EXPECT_EQ(box.lblBtn3->text().toStdString(), "否");
    EXPECT_FALSE(vqtest::SaveScreenshot(box, "wizard_box_question").empty());
    box.lblBtn2->Click();
  });
  EXPECT_EQ(TvqLib::QueryBox("注意：安装包不支持当前操作系统，是否继续安装！？", "询问"), 6);
  OnNextBox([&](TvqMessageBox& box) {
    EXPECT_EQ(box.lblTitle->text().toStdString(), "出错");
    EXPECT_EQ(box.MsgData(), "磁盘已满");
    box.lblBtn2->Click();
  });
  W().ApplicationEventsException("磁盘已满");
  EXPECT_TRUE(W().isVisible());
}

}  // namespace
}  // namespace orvane
