// The configuration page after an install: six rows a page, the stored or default values, the
// typing rules, the empty-value message, and the values written to the product.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Profile.h"
#include "WizardWorld.h"

namespace {

using orvane::NthCtl;
using orvane::TCtl;
using vqtest::WizardWorld;

TCtl Label(int n) { return *NthCtl(TCtl::lblICfgItem1, n, orvane::kConfigRows); }
TCtl Edit(int n) { return *NthCtl(TCtl::edtICfgItem1, n, orvane::kConfigRows); }

constexpr const char* kIni = "D:\\Apps\\Tessaly\\conf.ini";

std::string Item(int n, const std::string& value, const std::string& extra = "") {
  return "k" + std::to_string(n) + "=cfg_show:1;cfg_type:0;cfg_file:<app_path>conf.ini;cfg_sect:S;cfg_name:K" +
         std::to_string(n) + ";cfg_title:参数" + std::to_string(n) + ";cfg_value:" + value + ";" + extra + "\r\n";
}

std::string Stored(const std::string& key) {
  return platform::GetPrivateProfileString("S", key, "<none>", kIni, platform::ProfileCodePage::Ansi);
}

// Installs the product whose core module carries `items`, up to its configuration page.
void InstallUpToConfig(WizardWorld& w, const std::string& items) {
  w.Start(WizardWorld::Product("", std::string(vqtest::kWizardModules) + "[core_config]\r\n" + items));
  w.wizard.Click(TCtl::btnStart);
  w.wizard.Click(TCtl::btnItemsNext);
  ASSERT_EQ(w.view.page, TCtl::pnlStepConfig);
}

std::function<bool(char32_t)> KeyFilter(WizardWorld& w, TCtl edit) {
  return [&w, edit](char32_t key) { return w.wizard.edtICfgItem1KeyPress(edit, key); };
}

// Seven items of one module: six on the first page, the seventh alone on the second, then the
// finish page; every value lands in the product's INI file, a long stored value whole, and the
// hidden item with its configured value.
TEST(WizardConfigPage, SevenItemsTakeTwoPages) {
  std::string items = Item(1, "80", "value_type:1;") + Item(2, "123456789012");
  for (int n = 3; n <= 7; ++n) items += Item(n, "v" + std::to_string(n));
  items += "hidden=cfg_show:0;cfg_type:0;cfg_file:<app_path>conf.ini;cfg_sect:S;cfg_name:H;cfg_value:静默;\r\n";
  WizardWorld w;
  InstallUpToConfig(w, items);
  auto& v = w.view;
  EXPECT_EQ(v.Caption(TCtl::lblICfgTitle), "安装配置核心");
  EXPECT_EQ(v.Caption(TCtl::lblICfgLabel), "请设置核心参数:");
  EXPECT_TRUE(v.Visible(TCtl::pnlICfg));
  for (int n = 1; n <= 6; ++n) {
    EXPECT_TRUE(v.Visible(Label(n)));
    EXPECT_TRUE(v.Visible(Edit(n)));
    EXPECT_EQ(v.Caption(Label(n)), "参数" + std::to_string(n) + "：");
  }
  EXPECT_EQ(v.Caption(Edit(1)), "80");
  // Shown whole although longer than the eight characters one may type there.
  EXPECT_EQ(v.Caption(Edit(2)), "123456789012");
  EXPECT_EQ(v.Get(Edit(1)).maxLength, 0);
  for (int n = 2; n <= 6; ++n) EXPECT_EQ(v.Get(Edit(n)).maxLength, 8) << n;

  // The numeric row takes digits and backspace only while typing; the others any character.
  v.Type(Edit(1), "9a0", KeyFilter(w, Edit(1)));
  EXPECT_EQ(v.Caption(Edit(1)), "8090");
  EXPECT_TRUE(w.wizard.edtICfgItem1KeyPress(Edit(1), 8));
  v.Type(Edit(2), "3", KeyFilter(w, Edit(2)));
  EXPECT_EQ(v.Caption(Edit(2)), "123456789012") << "full: typing adds nothing";
  v.SetCaption(Edit(3), "");
  v.Type(Edit(3), "abcdefghij", KeyFilter(w, Edit(3)));
  EXPECT_EQ(v.Caption(Edit(3)), "abcdefgh");

  w.wizard.Click(TCtl::btnICFGNext);
  ASSERT_EQ(v.page, TCtl::pnlStepConfig) << "the seventh item is still to come";
  EXPECT_TRUE(v.Visible(Label(1)));
  EXPECT_EQ(v.Caption(Label(1)), "参数7：");
  EXPECT_EQ(v.Caption(Edit(1)), "v7");
  EXPECT_EQ(w.wizard.Tag(Edit(1)), 0) << "not numeric";
  for (int n = 2; n <= 6; ++n) EXPECT_FALSE(v.Visible(Label(n))) << n;
  EXPECT_EQ(Stored("K1"), "8090");
  EXPECT_EQ(Stored("K2"), "123456789012");
  EXPECT_EQ(Stored("K3"), "abcdefgh");
  EXPECT_EQ(Stored("K7"), "<none>");

  w.wizard.Click(TCtl::btnICFGNext);
  EXPECT_EQ(v.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(Stored("K7"), "v7");
  EXPECT_EQ(Stored("H"), "静默");
}

// An empty value names its row and keeps the page; the rows before it are written already.
TEST(WizardConfigPage, EmptyValueStopsOnItsRow) {
  WizardWorld w;
  InstallUpToConfig(w, Item(1, "a") + Item(2, ""));
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnICFGNext);
  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 请输入参数2参数！"});
  EXPECT_EQ(w.view.page, TCtl::pnlStepConfig);
  EXPECT_EQ(Stored("K1"), "a");
  w.view.SetCaption(Edit(2), "  b ");
  w.wizard.Click(TCtl::btnICFGNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(Stored("K2"), "b");
}

// A single item: one row, its stored value shown, and pasted text is not filtered.
TEST(WizardConfigPage, OneItemShowsTheStoredValue) {
  WizardWorld w;
  vqtest::WriteFileBytes(vqtest::SetupEngineFixture::Host(kIni), "[S]\r\nK1=4321\r\n");
  InstallUpToConfig(w, Item(1, "80", "value_type:1;"));
  EXPECT_EQ(w.view.Caption(Edit(1)), "4321");
  for (int n = 2; n <= 6; ++n) EXPECT_FALSE(w.view.Visible(Label(n)));
  w.view.Paste(Edit(1), "x");
  w.wizard.Click(TCtl::btnICFGNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(Stored("K1"), "4321x");
}

}  // namespace
