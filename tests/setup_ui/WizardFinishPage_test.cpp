// The finish page: its layout per mode and pictures, the rows of finish actions (which records
// get one, where they go, how they start), the finish step that runs the ticked actions exactly
// once, and the uninstaller's self-deletion after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "WizardWorld.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "support/TempDir.h"

namespace {

using orvane::NthCtl;
using orvane::TAlign;
using orvane::TCtl;
using orvane::TRect;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;
using vqtest::WizardWorld;
using Bits = vqtest::MachineRootFixture::Bits;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

TCtl ExecCaption(int n) { return *NthCtl(TCtl::lblExec1, n, orvane::kExecRows); }
TCtl ExecBox(int n) { return *NthCtl(TCtl::chkExecOk1, n, orvane::kExecRows); }

// The autorun key of 64-bit and of 32-bit Windows.
constexpr const char* kRunKeys[] = {"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"};
// Every action writes an autorun value for this file, which the test puts in place.
constexpr const char* kActionFile = "D:\\Tools\\Stand.exe";

// A finish action keyed {key}: when it runs it writes the autorun value `key` and shows a status
// line naming it.
std::string Action(const std::string& key, const std::string& name, const std::string& fields) {
  return "{" + key + "}=exec_type:9;src_file:" + kActionFile + ";service_name:" + key + ";exec_name:" + name + ";" +
         fields + "\r\n";
}

// Offered and ticked or not, for install and uninstall.
std::string Offered(const std::string& key, const std::string& name, bool ticked) {
  return Action(key, name, std::string("is_can_select:1;is_def_select:") + (ticked ? "1" : "0") + ";setup_style:1001;");
}

// Whether the action `key` has run (its autorun value is there).
bool Ran(const std::string& key) {
  for (const char* runKey : kRunKeys) {
    platform::RegKey run;
    std::string value;
    if (platform::RegKey::Open(platform::RegRoot::LocalMachine, runKey, platform::RegAccess::Read,
                               platform::RegView::Force64, run) == 0 &&
        run.ReadString(key, value) == 0)
      return true;
  }
  return false;
}

// How often the action `key` has run: each run shows one status line with its name in quotes.
int Runs(WizardWorld& w, const std::string& key) {
  int runs = 0;
  for (const std::string& line : w.view.StatusLines()) runs += line.find("\"" + key + "\"") != std::string::npos;
  return runs;
}

std::string IsSelect(WizardWorld& w, const std::string& key) {
  for (const std::string& line : w.app().FinishExecs)
    if (orvane::LineName(line) == "{" + key + "}")
      return orvane::GetTagValue(orvane::LineValue(line), "is_select:", ';');
  return "<none>";
}

enum class Mode { Install, Change, Repair, Uninstall };

constexpr const char* kFinishPicture = "res_insted_back_img=D:\\src\\pics\\done.png\r\n";
constexpr const char* kCodePicture = "res_down_qrcode_ios=D:\\src\\pics\\code.png\r\n";
constexpr const char* kUninstPicture = "res_uninsted_back_img=D:\\src\\pics\\bye.png\r\n";

// The wizard's product with `sections` after its modules, the pictures named in `appRes`.
SetupExeBuilder Product(const std::string& sections, const std::string& appRes = "") {
  SetupExeBuilder builder =
      WizardWorld::Product("AppInstWord=安装完成#13#10欢迎使用\r\nAppUnInstWord=已卸载\r\n",
                           std::string(vqtest::kWizardModules) + sections + "[app_res]\r\n" + appRes);
  for (const char* name : {"done.png", "code.png", "bye.png"})
    builder.AddAppFile(
        {std::string("D:\\src\\pics\\") + name, std::string("pics\\") + name, vqtest::PngOfSize(64, 64)});
  return builder;
}

// Runs the flow of `mode` on `builder`'s product, from the start page to the finish page
// (the product installed first for all but the install).
void ReachFinish(WizardWorld& w, Mode mode, const SetupExeBuilder& builder) {
  vqtest::WriteFileBytes(SetupEngineFixture::Host(kActionFile), "stand-in");
  if (mode != Mode::Install) {
    w.InstallFirst(builder, false);
    if (::testing::Test::HasFatalFailure()) return;
  }
  w.Start(builder);
  if (::testing::Test::HasFatalFailure()) return;
  switch (mode) {
    case Mode::Install:
      w.wizard.Click(TCtl::btnStart);
      break;
    case Mode::Change:
      w.wizard.Click(TCtl::btnEdit);
      break;
    case Mode::Repair:
      w.wizard.Click(TCtl::btnRepair);
      break;
    case Mode::Uninstall:
      w.wizard.Click(TCtl::btnUnInstall);
      break;
  }
  if (w.view.page == TCtl::pnlStepItems) w.wizard.Click(TCtl::btnItemsNext);
  ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
}

// One offered action for the install's and one for the uninstaller's finish page.
const std::string kBothSteps =
    "[_exec_1]\r\n" + Offered("I1", "启动", true) + "[_exec_3]\r\n" + Offered("U1", "清理", false);

// Per mode, with and without the finish pictures and actions: the band, the button, the words,
// the action area and the pictures. An install shows its finish picture only with the code
// picture; change and repair never show actions; the uninstaller never shows the code picture.
TEST(WizardFinishPage, LayoutPerModeAndPictures) {
  struct Case {
    const char* name;
    Mode mode;
    std::string appRes;
    std::string sections;
    int band;
    int finishTop;
    std::optional<int> wordsTop;  // nothing: hidden
    TAlign wordsAlign;
    std::optional<TRect> execs;  // nothing: hidden
    bool picture;
    bool code;
  };
  const std::string allPictures = std::string(kFinishPicture) + kCodePicture + kUninstPicture;
  const std::string hiddenOnly =
      "[_exec_1]\r\n" + Action("H", "后台", "is_can_select:0;is_def_select:1;setup_style:1;");
  const Case cases[] = {
      {"install, actions", Mode::Install, "", kBothSteps, 80, 318, 38, TAlign::Center, TRect{9, 100, 501, 218}, false,
       false},
      {"install, nothing", Mode::Install, "", "", 218, 300, 95, TAlign::Center, std::nullopt, false, false},
      {"install, only hidden actions", Mode::Install, "", hiddenOnly, 218, 300, 95, TAlign::Center, std::nullopt, false,
       false},
      {"install, both pictures, actions", Mode::Install, allPictures, kBothSteps, 218, 318, std::nullopt, TAlign::Left,
       TRect{9, 218, 501, 99}, true, true},
      {"install, finish picture alone", Mode::Install, kFinishPicture, kBothSteps, 80, 318, 38, TAlign::Center,
       TRect{9, 100, 501, 218}, false, false},
      {"install, code picture, no actions", Mode::Install, kCodePicture, "", 218, 318, std::nullopt, TAlign::Left,
       std::nullopt, false, true},
      {"change, both pictures, actions", Mode::Change, allPictures, kBothSteps, 218, 275, std::nullopt, TAlign::Left,
       std::nullopt, true, true},
      {"change, actions", Mode::Change, "", kBothSteps, 218, 300, 95, TAlign::Center, std::nullopt, false, false},
      {"repair, actions", Mode::Repair, "", kBothSteps, 218, 300, 95, TAlign::Center, std::nullopt, false, false},
      {"uninstall, every picture, actions", Mode::Uninstall, allPictures, kBothSteps, 218, 318, std::nullopt,
       TAlign::Left, TRect{9, 184, 501, 129}, true, false},
      {"uninstall, actions", Mode::Uninstall, "", kBothSteps, 80, 318, 38, TAlign::Center, TRect{9, 100, 501, 217},
       false, false},
      {"uninstall, nothing", Mode::Uninstall, "", "", 218, 300, 95, TAlign::Center, std::nullopt, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    ReachFinish(w, c.mode, Product(c.sections, c.appRes));
    if (HasFatalFailure()) return;
    const auto& v = w.view;
    const char* title = c.mode == Mode::Install  ? "安装成功"
                        : c.mode == Mode::Change ? "修改成功"
                        : c.mode == Mode::Repair ? "修复成功"
                                                 : "卸载成功";
    EXPECT_EQ(v.Caption(TCtl::lblFinishTitle), title);
    EXPECT_EQ(v.Caption(TCtl::lblFinishWord), c.mode == Mode::Uninstall ? "已卸载" : "安装完成\r\n欢迎使用");
    EXPECT_EQ(v.Get(TCtl::lblFinishBack).bounds.height, c.band);
    EXPECT_EQ(v.Get(TCtl::btnFinish).bounds.top, c.finishTop);
    EXPECT_EQ(v.Visible(TCtl::lblFinishWord), c.wordsTop.has_value());
    if (c.wordsTop) {
      EXPECT_EQ(v.Get(TCtl::lblFinishWord).bounds.top, *c.wordsTop);
    }
    EXPECT_EQ(v.Get(TCtl::lblFinishWord).align, c.wordsAlign);
    EXPECT_EQ(v.Visible(TCtl::pnlExecs), c.execs.has_value());
    EXPECT_EQ(w.wizard.IsVisible(TCtl::pnlExecs), c.execs.has_value());
    if (c.execs) {
      EXPECT_EQ(v.Get(TCtl::pnlExecs).bounds, *c.execs);
    }
    EXPECT_EQ(v.Visible(TCtl::ImgStepFinshBackImg), c.picture);
    if (c.picture) {
      EXPECT_EQ(v.Get(TCtl::ImgStepFinshBackImg).bounds, (TRect{0, 0, 520, 218}));
      const std::string shown = fs::path(v.Get(TCtl::ImgStepFinshBackImg).picture).filename().string();
      EXPECT_EQ(shown, c.mode == Mode::Uninstall ? "bye.png" : "done.png");
    }
    EXPECT_EQ(v.Visible(TCtl::ImgIOSQRCode), c.code);
    EXPECT_EQ(v.Visible(TCtl::lblIOSQRCode), c.code);
    EXPECT_EQ(v.Caption(TCtl::lblExec1).empty(), !c.execs.has_value());
  }
}

// Where the rows go: one centred column for up to four rows, or for more when no caption is
// longer than eight characters (a Chinese character counts once) and they fit the area's
// height; two columns (102 and 310) otherwise. Each box sits 24 pixels left of its caption and
// starts ticked as its record says.
TEST(WizardFinishPage, ExecRowPlaces) {
  struct Case {
    const char* name;
    Lines captions;
    std::vector<std::pair<int, int>> places;  // caption left and top, per row
  };
  const auto column = [](int left, int rows) {
    std::vector<std::pair<int, int>> places;
    for (int n = 1; n <= rows; ++n) places.emplace_back(left, n * 35);
    return places;
  };
  const auto twoColumns = [](int rows) {
    std::vector<std::pair<int, int>> places;
    for (int n = 1; n <= rows; ++n) places.emplace_back(n % 2 == 1 ? 102 : 310, (n + 1) / 2 * 35);
    return places;
  };
  const Case cases[] = {
      {"three short", {"启动程序", "打开说明书", "注册"}, column((501 - 5 * 12) / 2, 3)},
      {"five of six Chinese characters", Lines(5, "打开网页说明"), column((501 - 6 * 12) / 2, 5)},
      {"four long", {"打开网页版使用说明书籍", "启动", "注册", "查看"}, column((501 - 11 * 12) / 2, 4)},
      {"five with one of nine characters", {"打开网页版使用说明", "启动", "注册", "查看", "关闭"}, twoColumns(5)},
      {"six short, too tall for one column", Lines(6, "启动"), twoColumns(6)},
      {"ten short", Lines(10, "启动"), twoColumns(10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string section = "[_exec_1]\r\n";
    for (std::size_t i = 0; i < c.captions.size(); ++i)
      section += Offered("R" + std::to_string(i + 1), c.captions[i], i % 2 == 0);
    WizardWorld w;
    ReachFinish(w, Mode::Install, Product(section));
    if (HasFatalFailure()) return;
    ASSERT_EQ(w.view.Get(TCtl::pnlExecs).bounds, (TRect{9, 100, 501, 218}));
    for (int n = 1; n <= orvane::kExecRows; ++n) {
      SCOPED_TRACE(n);
      const auto row = static_cast<std::size_t>(n - 1);
      const bool shown = row < c.places.size();
      EXPECT_EQ(w.view.Visible(ExecCaption(n)), shown);
      EXPECT_EQ(w.view.Visible(ExecBox(n)), shown);
      if (!shown) continue;
      const auto [left, top] = c.places[row];
      const TRect caption = w.view.Get(ExecCaption(n)).bounds;
      const TRect box = w.view.Get(ExecBox(n)).bounds;
      EXPECT_EQ(std::make_pair(caption.left, caption.top), std::make_pair(left, top));
      EXPECT_EQ(std::make_pair(box.left, box.top), std::make_pair(left - 24, top));
      EXPECT_EQ(w.view.Caption(ExecCaption(n)), c.captions[row]);
      EXPECT_EQ(w.view.Get(ExecCaption(n)).hint, "{R" + std::to_string(n) + "}");
      EXPECT_TRUE(w.view.Get(ExecBox(n)).tickPainted);
      EXPECT_EQ(w.view.Get(ExecBox(n)).ticked, n % 2 == 1);
      EXPECT_EQ(w.wizard.IsTicked(ExecBox(n)), n % 2 == 1);
    }
  }
}

// Rows come from the installed modules' sections in module order, then the global one; only
// offered records that fit the Windows bitness get one, and a record of the wrong bitness does
// not run either. A module left out of the install offers nothing.
TEST(WizardFinishPage, RowsFollowModulesAndBitness) {
  const std::string sections =
      "[core_exec_1]\r\n" + Action("C32", "三十二位", "sys_type:32;is_can_select:1;is_def_select:1;setup_style:1;") +
      Action("C64", "六十四位", "sys_type:64;is_can_select:1;is_def_select:1;setup_style:1;") + "[tools_exec_1]\r\n" +
      Offered("T", "工具", false) + "[web_exec_1]\r\n" + Offered("W", "网页", true) + "[_exec_1]\r\n" +
      Offered("G", "全局", true) + Action("H", "后台", "is_can_select:0;is_def_select:1;setup_style:1;");
  struct Case {
    Bits bits;
    Lines hints;
    Lines ran;
    Lines notRan;
  };
  const Case cases[] = {
      {Bits::x64, {"{C64}", "{T}", "{G}"}, {"C64", "G", "H"}, {"C32", "T", "W"}},
      {Bits::x86, {"{C32}", "{T}", "{G}"}, {"C32", "G", "H"}, {"C64", "T", "W"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits == Bits::x64 ? "x64" : "x86");
    WizardWorld w(c.bits);
    ReachFinish(w, Mode::Install, Product(sections));
    if (HasFatalFailure()) return;
    Lines hints;
    for (int n = 1; n <= orvane::kExecRows; ++n)
      if (w.view.Visible(ExecCaption(n))) hints.push_back(w.view.Get(ExecCaption(n)).hint);
    EXPECT_EQ(hints, c.hints);
    w.wizard.Click(TCtl::btnFinish);
    EXPECT_TRUE(w.view.closed);
    for (const std::string& key : c.ran) EXPECT_TRUE(Ran(key)) << key;
    for (const std::string& key : c.notRan) EXPECT_FALSE(Ran(key)) << key;
  }
}

// Change and repair offer no rows: their finish step runs every record ticked by default whose
// setup_style has a "1" at the mode's place, offered or not.
TEST(WizardFinishPage, ChangeAndRepairRunTheDefaults) {
  const std::string section = "[_exec_1]\r\n" +
                              Action("D", "默认", "is_can_select:1;is_def_select:1;setup_style:0110;") +
                              Action("N", "不选", "is_can_select:1;is_def_select:0;setup_style:0110;") +
                              Action("H", "后台", "is_can_select:0;is_def_select:1;setup_style:0110;") +
                              Action("I", "安装", "is_can_select:1;is_def_select:1;setup_style:1;") +
                              Action("C", "修改", "is_can_select:1;is_def_select:1;setup_style:01;");
  struct Case {
    Mode mode;
    Lines ran;
    Lines notRan;
  };
  const Case cases[] = {
      {Mode::Change, {"D", "H", "C"}, {"N", "I"}},
      {Mode::Repair, {"D", "H"}, {"N", "I", "C"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode == Mode::Change ? "change" : "repair");
    WizardWorld w;
    ReachFinish(w, c.mode, Product(section));
    if (HasFatalFailure()) return;
    EXPECT_FALSE(w.view.Visible(TCtl::lblExec1));
    w.wizard.Click(TCtl::btnFinish);
    EXPECT_TRUE(w.view.closed);
    for (const std::string& key : c.ran) EXPECT_TRUE(Ran(key)) << key;
    for (const std::string& key : c.notRan) EXPECT_FALSE(Ran(key)) << key;
  }
}

// Eleven offered records: the eleventh gets no row, yet runs when it is ticked by default.
TEST(WizardFinishPage, EleventhActionHasNoRowButItsDefaultCounts) {
  std::string section = "[_exec_1]\r\n";
  for (int n = 1; n <= 10; ++n) section += Offered("K" + std::to_string(n), "动作" + std::to_string(n), false);
  section += Offered("K11", "动作11", true);
  WizardWorld w;
  ReachFinish(w, Mode::Install, Product(section));
  if (HasFatalFailure()) return;
  for (int n = 1; n <= orvane::kExecRows; ++n)
    EXPECT_EQ(w.view.Get(ExecCaption(n)).hint, "{K" + std::to_string(n) + "}") << n;
  w.wizard.Click(ExecCaption(10));
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(Ran("K10"));
  EXPECT_TRUE(Ran("K11"));
  EXPECT_FALSE(Ran("K1"));
  EXPECT_EQ(IsSelect(w, "K11"), "1");
}

enum class Trigger { FinishButton, CloseMark, WindowClose };

void Fire(WizardWorld& w, Trigger trigger) {
  switch (trigger) {
    case Trigger::FinishButton:
      w.wizard.Click(TCtl::btnFinish);
      break;
    case Trigger::CloseMark:
      w.wizard.Click(TCtl::lblClose);
      break;
    case Trigger::WindowClose:
      w.view.Close();
      break;
  }
}

// The actions the page offers: A ticked by default, B not, C ticked, S ticked but for change
// only, and two that are not offered (H runs by default, Z does not).
const std::string kFinishActions = "[_exec_1]\r\n" + Offered("A", "启动", true) + Offered("B", "说明", false) +
                                   Offered("C", "注册", true) +
                                   Action("S", "修改", "is_can_select:1;is_def_select:1;setup_style:01;") +
                                   Action("H", "后台", "is_can_select:0;is_def_select:1;setup_style:1;") +
                                   Action("Z", "停用", "is_can_select:0;is_def_select:0;setup_style:1;");

// Whichever way the finish step starts (button, close mark, window close), the ticked and the
// default actions run exactly once, the boxes' state is written into is_select, and the window
// closes after them. While they run the finish button is off, and a second click, the close mark
// or a close request start nothing and close nothing.
TEST(WizardFinishPage, FinishActionsRunOnceWhateverArrivesMeanwhile) {
  for (const Trigger trigger : {Trigger::FinishButton, Trigger::CloseMark, Trigger::WindowClose}) {
    SCOPED_TRACE(static_cast<int>(trigger));
    WizardWorld w;
    ReachFinish(w, Mode::Install, Product(kFinishActions));
    if (HasFatalFailure()) return;
    auto& v = w.view;
    ASSERT_EQ(v.Get(ExecCaption(4)).hint, "{S}");
    w.wizard.Click(ExecCaption(1));  // A off
    w.wizard.Click(ExecBox(2));      // B on
    EXPECT_TRUE(v.Get(ExecBox(2)).ticked);

    bool injected = false;
    bool finishOffThroughout = true;
    bool closedMeanwhile = false;
    w.pump.step = [&] {
      finishOffThroughout = finishOffThroughout && !v.Get(TCtl::btnFinish).enabled && w.wizard.Busy();
      if (injected) return;
      injected = true;
      v.Close();
      w.wizard.Click(TCtl::lblClose);
      w.wizard.Click(TCtl::btnFinish);
      w.wizard.btnFinishClick();
      closedMeanwhile = v.closed;
    };
    Fire(w, trigger);
    w.pump.step = nullptr;

    EXPECT_TRUE(injected);
    EXPECT_TRUE(finishOffThroughout);
    EXPECT_FALSE(closedMeanwhile);
    EXPECT_TRUE(v.closed);
    EXPECT_TRUE(v.Get(TCtl::btnFinish).enabled);
    for (const char* key : {"B", "C", "H"}) {
      EXPECT_TRUE(Ran(key)) << key;
      EXPECT_EQ(Runs(w, key), 1) << key;
    }
    for (const char* key : {"A", "S", "Z"}) EXPECT_FALSE(Ran(key)) << key;
    EXPECT_EQ(IsSelect(w, "A"), "0");
    EXPECT_EQ(IsSelect(w, "B"), "1");
    EXPECT_EQ(IsSelect(w, "C"), "1");
    EXPECT_EQ(IsSelect(w, "Z"), "0");
  }
}

// An error inside the finish actions ends in the error box; the finish button comes back and
// the window stays open, so the user can finish again.
TEST(WizardFinishPage, ErrorInTheFinishActionsKeepsTheWindow) {
  for (const Trigger trigger : {Trigger::FinishButton, Trigger::WindowClose}) {
    SCOPED_TRACE(static_cast<int>(trigger));
    WizardWorld w;
    ReachFinish(w, Mode::Install, Product(kFinishActions));
    if (HasFatalFailure()) return;
    (void)w.Boxes();
    w.pump.step = [] { throw std::runtime_error("磁盘已满"); };
    Fire(w, trigger);
    w.pump.step = nullptr;
    EXPECT_EQ(w.Boxes(), Lines{"info[出错]: 磁盘已满"});
    EXPECT_FALSE(w.view.closed);
    EXPECT_FALSE(w.wizard.Busy());
    EXPECT_TRUE(w.view.Get(TCtl::btnFinish).enabled);
    w.wizard.Click(TCtl::btnFinish);
    EXPECT_TRUE(w.view.closed);
    EXPECT_TRUE(Ran("C"));
  }
}

constexpr const char* kUninstaller = "D:\\Apps\\Tessaly\\Uninstall1001.exe";
constexpr const char* kBatch = "C:\\Uninstall1001.exe.bat";

// The uninstaller in its install folder removes every installed module (web too, which its own
// configuration does not preselect; an empty stored module list counts every module as
// installed): nothing installed is left, the entry goes and the finish step starts the
// self-deletion, deep (the install folder too) only when the box is ticked. When the entry
// cannot be removed it still names this uninstaller, which must not delete itself.
TEST(WizardFinishPage, UninstallerDeletesItselfOnlyAfterACompleteUninstall) {
  struct Case {
    const char* name;
    bool webInstalled;
    bool emptyItems;
    bool entryRefused;
    bool deep;
    bool selfDelete;
  };
  const Case cases[] = {
      {"complete", false, false, false, false, true},
      {"complete, deep", false, false, false, true, true},
      {"optional module installed too, deep", true, false, false, true, true},
      {"empty stored list, deep", false, true, false, true, true},
      {"entry cannot be removed, deep", true, false, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    // The self-deletion's shell open moves this process into the machine's drive root, which
    // goes with the machine: the test's folder comes back first.
    struct KeepFolder {
      fs::path folder = fs::current_path();
      ~KeepFolder() { fs::current_path(folder); }
    } keepFolder;
    w.InstallFirst(WizardWorld::Product(), c.webInstalled);
    if (HasFatalFailure()) return;
    if (c.emptyItems) {
      platform::RegKey key;
      ASSERT_EQ(platform::RegKey::Open(platform::RegRoot::LocalMachine, vqtest::kWizardKey, platform::RegAccess::Write,
                                       platform::RegView::Force64, key),
                0);
      ASSERT_EQ(key.WriteString("InstallItems", ""), 0);
      ASSERT_TRUE(platform::WritePrivateProfileString("Uninstall", "InstallItems", "",
                                                      SetupEngineFixture::Host("D:\\Apps\\Tessaly\\Uninstall1001.dat"),
                                                      platform::ProfileCodePage::Ansi));
    }
    if (c.entryRefused) w.world.fx.machine.SetMachineValue("Admin", "0");
    w.world.fx.machine.SetProgramHostFile(SetupEngineFixture::Host(kUninstaller));
    w.Start(WizardWorld::Product("AppInstallType=uninstall\r\n"));
    if (HasFatalFailure()) return;
    ASSERT_TRUE(w.view.Visible(TCtl::chkUninstDeepness));
    if (c.deep) w.wizard.Click(TCtl::lblUninstDeepness);
    w.wizard.Click(TCtl::btnStart);
    ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
    EXPECT_FALSE(WizardWorld::Exists(vqtest::kWebFile));
    EXPECT_FALSE(WizardWorld::Exists(vqtest::kCoreFile));
    ASSERT_FALSE(fs::exists(SetupEngineFixture::Host(kBatch)));
    w.wizard.Click(TCtl::btnFinish);
    EXPECT_TRUE(w.view.closed);

    platform::RegKey entry;
    const bool entryKept = platform::RegKey::Open(platform::RegRoot::LocalMachine, vqtest::kWizardKey,
                                                  platform::RegAccess::Read, platform::RegView::Force64, entry) == 0;
    EXPECT_EQ(entryKept, !c.selfDelete);
    ASSERT_EQ(fs::exists(SetupEngineFixture::Host(kBatch)), c.selfDelete);
    if (!c.selfDelete) {
      std::string location;
      (void)entry.ReadString("InstallLocation", location);
      EXPECT_EQ(location, vqtest::kWizardAppPath) << "the entry still leads to the uninstaller";
      EXPECT_TRUE(WizardWorld::Exists(kUninstaller));
      continue;
    }
    // The batch waits three seconds before it deletes anything, so it is read back first.
    const std::string batch = platform::Cp936ToUtf8(vqtest::ReadFileBytes(SetupEngineFixture::Host(kBatch)));
    EXPECT_NE(batch.find(std::string("del \"") + kUninstaller + "\""), std::string::npos);
    EXPECT_EQ(batch.find("rd/s/q \"D:\\Apps\\Tessaly\\\"") != std::string::npos, c.deep);
  }
}

}  // namespace
