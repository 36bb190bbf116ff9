// The four flows started from the wizard's buttons: the install page while they run (slides,
// status line, progress, the close mark and close requests), their results, and the pages
// they lead to.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "WizardWorld.h"

namespace {

using orvane::NthCtl;
using orvane::TCtl;
using orvane::TTimer;
using vqtest::WizardWorld;
namespace fs = std::filesystem;

TCtl Row(int n) { return *NthCtl(TCtl::lblItem1, n, orvane::kItemRows); }

constexpr const char* kSlides =
    "[slider_imgs]\r\nslider_img1=D:\\src\\pics\\s1.png\r\nslider_img2=D:\\src\\pics\\s2.png\r\n";

vqtest::SetupExeBuilder WithPictures(vqtest::SetupExeBuilder builder) {
  for (const char* name : {"s1.png", "s2.png", "u1.png", "u2.png"})
    builder.AddAppFile(
        {std::string("D:\\src\\pics\\") + name, std::string("pics\\") + name, vqtest::PngOfSize(52, 33)});
  return builder;
}

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// What a test saw while the flow ran.
struct DuringFlow {
  bool seen = false;
  bool onInstallPage = false;
  bool closeMarkOff = false;
  bool busy = false;
  bool closedByRequest = false;
  std::vector<std::string> slides;
};

// A fresh install through the items page: while the flow runs the install page shows the slides
// in turn, the close mark is off and every close request is refused; then the finish page, and
// the finish button closes the window.
TEST(WizardFlows, InstallThroughTheItemsPage) {
  WizardWorld w;
  w.Start(WithPictures(WizardWorld::Product("", std::string(vqtest::kWizardModules) + kSlides)));
  auto& v = w.view;
  w.wizard.Click(TCtl::btnStart);
  ASSERT_EQ(v.page, TCtl::pnlStepItems);
  EXPECT_EQ(v.Caption(TCtl::btnStart), "准备安装");
  w.wizard.Click(Row(2));
  DuringFlow during;
  w.pump.step = [&] {
    if (during.seen) return;
    during.seen = true;
    during.onInstallPage = v.page == TCtl::pnlStepInstall;
    during.closeMarkOff = !v.Get(TCtl::lblClose).enabled;
    during.busy = w.wizard.Busy();
    during.slides.push_back(FileName(v.Get(TCtl::imgSlider).picture));
    w.wizard.tmrSliderTimer();
    during.slides.push_back(FileName(v.Get(TCtl::imgSlider).picture));
    w.wizard.tmrSliderTimer();
    during.slides.push_back(FileName(v.Get(TCtl::imgSlider).picture));
    v.Close();
    w.wizard.Click(TCtl::lblClose);
    during.closedByRequest = v.closed;
  };
  w.wizard.Click(TCtl::btnItemsNext);
  w.pump.step = nullptr;

  ASSERT_TRUE(during.seen);
  EXPECT_TRUE(during.onInstallPage);
  EXPECT_TRUE(during.closeMarkOff);
  EXPECT_TRUE(during.busy);
  EXPECT_FALSE(during.closedByRequest);
  EXPECT_EQ(during.slides, (std::vector<std::string>{"s1.png", "s2.png", "s1.png"}));
  EXPECT_EQ(v.Get(TCtl::lblInstallBack).transparent, true);
  EXPECT_EQ(v.Caption(TCtl::lblInstTitle), "Tessaly");
  EXPECT_EQ(v.progressAttached, 1);
  ASSERT_FALSE(v.StatusLines().empty());
  EXPECT_EQ(v.StatusLines().back(), "程序安装成功.");

  EXPECT_EQ(v.page, TCtl::pnlStepFinsh);
  EXPECT_FALSE(v.Running(TTimer::Slider));
  EXPECT_TRUE(v.Get(TCtl::lblClose).enabled);
  EXPECT_EQ(v.Caption(TCtl::lblFinishTitle), "安装成功");
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kCoreFile));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kToolsFile));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kWebFile));
  EXPECT_FALSE(v.closed);
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(v.closed);
  EXPECT_NE(w.wizard.App(), nullptr) << "the window frees the engine when it is destroyed";
}

// Slides only in the uninstaller's section: the first of them shows and stays.
TEST(WizardFlows, OnlyUninstallSlides) {
  WizardWorld w;
  const std::string slides =
      "[uninst_slider_imgs]\r\nuninst_slider_img1=D:\\src\\pics\\u1.png\r\n"
      "uninst_slider_img2=D:\\src\\pics\\u2.png\r\n";
  w.Start(WithPictures(WizardWorld::Product("", std::string(vqtest::kWizardModules) + slides)));
  std::vector<std::string> seen;
  w.pump.step = [&] {
    if (!seen.empty()) return;
    seen.push_back(FileName(w.view.Get(TCtl::imgSlider).picture));
    w.wizard.tmrSliderTimer();
    w.wizard.tmrSliderTimer();
    seen.push_back(FileName(w.view.Get(TCtl::imgSlider).picture));
  };
  w.wizard.Click(TCtl::btnStart);
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(seen, (std::vector<std::string>{"u1.png", "u1.png"}));
}

// A failed install tells why and returns to a usable start page.
TEST(WizardFlows, FailedInstallReturnsToTheStartPage) {
  WizardWorld w;
  vqtest::SetupExeBuilder builder = WizardWorld::Product();
  builder.CorruptPayload();
  w.Start(builder);
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);
  w.wizard.Click(TCtl::btnItemsNext);
  const std::vector<std::string> boxes = w.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().rfind("info[消息]: 安装失败:", 0), 0u) << boxes.back();
  EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
  EXPECT_TRUE(w.view.Get(TCtl::lblClose).enabled);
  EXPECT_TRUE(w.view.Get(TCtl::btnStart).enabled);
  EXPECT_FALSE(w.view.closed);
  EXPECT_FALSE(w.wizard.Busy());
}

// Whatever a flow raises, of any type, ends in the failure box and the start page, usable again:
// the wizard never stays behind on the install page with its close mark off.
TEST(WizardFlows, RaisedInstallReturnsToTheStartPage) {
  struct Case {
    const char* name;
    std::function<void()> raise;
    const char* box;
  };
  const Case cases[] = {
      {"std", [] { throw std::runtime_error("磁盘已满"); }, "info[消息]: 安装失败:磁盘已满"},
      {"other", [] { throw 42; }, "info[消息]: 安装失败:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    w.Start(WizardWorld::Product());
    w.wizard.Click(TCtl::btnStart);
    (void)w.Boxes();
    w.pump.step = c.raise;
    w.wizard.Click(TCtl::btnItemsNext);
    w.pump.step = nullptr;
    EXPECT_EQ(w.Boxes(), std::vector<std::string>{c.box});
    EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
    EXPECT_TRUE(w.view.Get(TCtl::lblClose).enabled);
    EXPECT_FALSE(w.view.Running(TTimer::Slider));
    EXPECT_FALSE(w.wizard.Busy());
    EXPECT_FALSE(w.view.closed);
  }
}

// The engine asking to end the program in the middle of a flow closes the window only once the
// flow has returned, and the flow's result page is not shown any more.
TEST(WizardFlows, QuitDuringAFlowWaitsForItsEnd) {
  WizardWorld w;
  w.Start(WizardWorld::Product());
  bool closedDuring = true;
  w.pump.step = [&] {
    w.app().OnQuit();
    closedDuring = w.view.closed;
  };
  w.wizard.Click(TCtl::btnStart);
  w.wizard.Click(TCtl::btnItemsNext);
  w.pump.step = nullptr;
  EXPECT_FALSE(closedDuring);
  EXPECT_TRUE(w.view.closed);
  EXPECT_EQ(w.view.page, TCtl::pnlStepInstall);
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kCoreFile)) << "the flow ran to its end";
}

// Change on an installed product: the items page starts with the installed modules ticked; the
// new choice removes tools and adds web.
TEST(WizardFlows, ChangeSwapsModules) {
  WizardWorld w;
  w.InstallFirst(WizardWorld::Product(), false);
  w.Start(WizardWorld::Product());
  ASSERT_TRUE(w.view.Visible(TCtl::btnEdit));
  w.wizard.Click(TCtl::btnEdit);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  EXPECT_TRUE(w.wizard.IsTicked(TCtl::chkItem1Ok));
  EXPECT_FALSE(w.wizard.IsTicked(TCtl::chkItem2Ok));
  w.wizard.Click(Row(1));
  w.wizard.Click(Row(2));
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "修改成功");
  EXPECT_FALSE(w.view.Visible(TCtl::pnlExecs));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kCoreFile));
  EXPECT_FALSE(WizardWorld::Exists(vqtest::kToolsFile));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kWebFile));
}

// Repair without the items page: what is installed and what cannot be chosen is put back.
TEST(WizardFlows, RepairRestoresTheInstalledModules) {
  WizardWorld w;
  w.InstallFirst(WizardWorld::Product(), false);
  fs::remove(vqtest::SetupEngineFixture::Host(vqtest::kToolsFile));
  fs::remove(vqtest::SetupEngineFixture::Host(vqtest::kCoreFile));
  w.Start(WizardWorld::Product());
  w.wizard.Click(TCtl::btnRepair);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "修复成功");
  EXPECT_EQ(w.SetupOf("tools"), "1");
  EXPECT_EQ(w.SetupOf("web"), "0");
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kCoreFile));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kToolsFile));
  EXPECT_FALSE(WizardWorld::Exists(vqtest::kWebFile));
}

// Repair of an entry without a module list and before the items page was ever shown asks for
// the modules first.
TEST(WizardFlows, RepairWithoutModuleListOpensTheItemsPage) {
  WizardWorld w;
  WizardWorld::RecordInstalled(vqtest::kWizardAppPath);
  w.Start(WizardWorld::Product());
  ASSERT_TRUE(w.app().InstalledItems.empty());
  w.wizard.Click(TCtl::btnRepair);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  EXPECT_EQ(w.view.Caption(TCtl::lblItemTitle), "请选择修复模块");
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kToolsFile));
  EXPECT_TRUE(WizardWorld::Exists(vqtest::kWebFile));
}

// Uninstall from the installer's own button removes the product and its entry, but never
// deletes the running program.
TEST(WizardFlows, UninstallFromTheInstaller) {
  WizardWorld w;
  w.InstallFirst(WizardWorld::Product(), false);
  w.Start(WizardWorld::Product());
  w.wizard.Click(TCtl::btnUnInstall);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  EXPECT_EQ(w.view.Caption(TCtl::lblItemTitle), "请选择卸载模块");
  EXPECT_FALSE(w.view.Visible(TCtl::lblItemsFileSize));
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "卸载成功");
  EXPECT_FALSE(WizardWorld::Exists(vqtest::kCoreFile));
  EXPECT_FALSE(WizardWorld::Exists(vqtest::kToolsFile));
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(w.view.closed);
  EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host("C:\\OrvaneSetup.exe.bat")));
}

}  // namespace
