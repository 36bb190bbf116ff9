// The items page: module rows under group headings, their layout in one or two columns, the
// default ticks, the needed space, and the ticks written into the module list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WizardWorld.h"

namespace {

using orvane::NthCtl;
using orvane::TCtl;
using vqtest::WizardWorld;

TCtl Row(int n) { return *NthCtl(TCtl::lblItem1, n, orvane::kItemRows); }
TCtl Tick(int n) { return *NthCtl(TCtl::chkItem1Ok, n, orvane::kItemRows); }
TCtl Heading(int n) { return *NthCtl(TCtl::lblGroup1, n, orvane::kGroupHeadings); }

struct Module {
  std::string title;
  std::string group;
  bool canSelect = true;
  bool setup = true;
};

std::string ModuleSection(const std::vector<Module>& modules) {
  std::string text = "[module]\r\n";
  for (std::size_t i = 0; i < modules.size(); ++i) {
    const Module& m = modules[i];
    text += "m" + std::to_string(i + 1) + "=" + m.title + ";can_select:" + (m.canSelect ? "1" : "0") +
            ";setup:" + (m.setup ? "1" : "0") + ";item_group:" + m.group + ";\r\n";
  }
  return text;
}

std::vector<Module> Modules(int count, const std::string& title, const std::vector<std::string>& groups) {
  std::vector<Module> modules;
  for (int i = 1; i <= count; ++i)
    modules.push_back({title + std::to_string(i), groups[static_cast<std::size_t>(i - 1) % groups.size()]});
  return modules;
}

// Opens the items page of a fresh install of `modules`.
void OpenItems(WizardWorld& w, const std::vector<Module>& modules) {
  w.Start(WizardWorld::Product("", ModuleSection(modules)));
  w.wizard.Click(TCtl::btnStart);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
}

struct Place {
  int left;
  int top;
};

// Rows and headings land where the layout puts them for 4, 5, 6 and 10 modules; the tick box
// sits 24 pixels left of its caption.
TEST(WizardItemsPage, LayoutByRowCount) {
  struct Case {
    const char* name;
    std::vector<Module> modules;
    std::vector<Place> headings;
    std::vector<Place> rows;
  };
  const std::vector<Module> groupedFive = [] {
    std::vector<Module> m = Modules(5, "模块", {"甲"});
    for (Module& x : Modules(5, "组件", {"乙"})) m.push_back(x);
    return m;
  }();
  const Case cases[] = {
      {"4 rows, one centred column", Modules(4, "模块", {"甲"}), {{186, 19}},
       {{232, 58}, {232, 97}, {232, 136}, {232, 175}}},
      {"5 short rows, one column", Modules(5, "模块", {"甲"}), {{186, 16}},
       {{232, 49}, {232, 82}, {232, 115}, {232, 148}, {232, 181}}},
      {"5 long rows, two columns", Modules(5, "很长很长的模块名称", {"甲"}), {{26, 16}},
       {{70, 49}, {280, 49}, {70, 82}, {280, 82}, {70, 115}}},
      {"6 rows without groups", Modules(6, "模块", {""}), {},
       {{60, 23}, {280, 23}, {60, 70}, {280, 70}, {60, 117}, {280, 117}}},
      {"10 rows in two groups", groupedFive, {{26, 13}, {26, 117}},
       {{70, 39}, {280, 39}, {70, 65}, {280, 65}, {70, 91}, {70, 143}, {280, 143}, {70, 169}, {280, 169}, {70, 195}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WizardWorld w;
    OpenItems(w, c.modules);
    for (int n = 1; n <= orvane::kGroupHeadings; ++n) {
      const bool shown = n <= static_cast<int>(c.headings.size());
      EXPECT_EQ(w.view.Visible(Heading(n)), shown) << n;
      if (!shown) continue;
      const orvane::TRect b = w.view.Bounds(Heading(n));
      EXPECT_EQ(b.left, c.headings[static_cast<std::size_t>(n - 1)].left) << "heading " << n;
      EXPECT_EQ(b.top, c.headings[static_cast<std::size_t>(n - 1)].top) << "heading " << n;
    }
    for (int n = 1; n <= orvane::kItemRows; ++n) {
      const bool shown = n <= static_cast<int>(c.rows.size());
      EXPECT_EQ(w.view.Visible(Row(n)), shown) << n;
      EXPECT_EQ(w.view.Visible(Tick(n)), shown) << n;
      if (!shown) continue;
      const Place& p = c.rows[static_cast<std::size_t>(n - 1)];
      EXPECT_EQ(w.view.Bounds(Row(n)).left, p.left) << "row " << n;
      EXPECT_EQ(w.view.Bounds(Row(n)).top, p.top) << "row " << n;
      EXPECT_EQ(w.view.Bounds(Tick(n)).left, p.left - 24) << "row " << n;
      EXPECT_EQ(w.view.Bounds(Tick(n)).top, p.top) << "row " << n;
      EXPECT_EQ(w.view.Caption(Row(n)), c.modules[static_cast<std::size_t>(n - 1)].title);
      EXPECT_EQ(w.view.Get(Row(n)).hint, "m" + std::to_string(n));
    }
  }
}

// Grouped modules come first under their headings, ungrouped ones after without one; a sixth
// group has no heading and its modules join the ungrouped ones; an eleventh row does not exist,
// so that module keeps its configured setup flag; modules the user cannot choose are set up.
TEST(WizardItemsPage, GroupsAndRowLimits) {
  std::vector<Module> modules = {
      {"无组", ""}, {"A1", "A"}, {"A2", "a"}, {"B1", "B"}, {"C1", "C"}, {"D1", "D"}, {"E1", "E"},
      {"F1", "F"}, {"固定", "A", false, false}, {"G1", "G"}, {"G2", "G"}, {"G3", "G", true, false},
  };
  WizardWorld w;
  OpenItems(w, modules);
  const std::vector<std::string> rows = {"A1", "A2", "B1", "C1", "D1", "E1", "无组", "F1", "G1", "G2"};
  for (int n = 1; n <= orvane::kItemRows; ++n) EXPECT_EQ(w.view.Caption(Row(n)), rows[static_cast<std::size_t>(n - 1)]);
  const std::vector<std::string> headings = {"A", "B", "C", "D", "E"};
  for (int n = 1; n <= orvane::kGroupHeadings; ++n) {
    EXPECT_TRUE(w.view.Visible(Heading(n)));
    EXPECT_EQ(w.view.Caption(Heading(n)), headings[static_cast<std::size_t>(n - 1)]);
  }
  // "a" follows "A" without case: the same heading.
  EXPECT_EQ(w.view.Get(Heading(1)).hint, "item:m2;item:m3;");
  EXPECT_EQ(w.view.Get(Heading(2)).hint, "item:m4;");
  EXPECT_EQ(w.SetupOf("m9"), "1") << "a module the user cannot choose is always set up";

  // Untick two rows and go on: the rows decide, the row-less module keeps its flag.
  w.wizard.Click(Row(1));
  w.wizard.Click(Tick(3));
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.SetupOf("m2"), "0");
  EXPECT_EQ(w.SetupOf("m3"), "1");
  EXPECT_EQ(w.SetupOf("m4"), "0");
  EXPECT_EQ(w.SetupOf("m12"), "0");
}

// With an uninstall entry whose module list is empty every row starts ticked; with a list only
// the modules it records as installed do.
TEST(WizardItemsPage, DefaultTicksFollowTheInstalledItems) {
  struct Case {
    const char* items;
    std::vector<bool> ticks;
  };
  const Case cases[] = {
      {"", {true, true}},
      {"tools=工具;setup:0;,web=网页;setup:1;", {false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    WizardWorld w;
    WizardWorld::RecordInstalled("D:\\Old\\", c.items);
    w.Start(WizardWorld::Product());
    w.wizard.Click(TCtl::btnEdit);
    ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
    EXPECT_EQ(w.view.Caption(TCtl::lblItemTitle), "请选择修改模块");
    for (int n = 1; n <= 2; ++n) {
      EXPECT_EQ(w.wizard.IsTicked(Tick(n)), c.ticks[static_cast<std::size_t>(n - 1)]) << n;
      EXPECT_EQ(w.view.Get(Tick(n)).ticked, c.ticks[static_cast<std::size_t>(n - 1)]) << n;
    }
  }
}

// The needed space counts the fixed modules and the ticked rows, follows every tick, and the
// drive text sits 8 pixels right of the size.
TEST(WizardItemsPage, NeededSpaceFollowsTheTicks) {
  WizardWorld w;
  w.Start(WizardWorld::Product());
  w.wizard.Click(TCtl::btnStart);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  auto& v = w.view;
  EXPECT_EQ(v.Caption(TCtl::lblItemsFileSize), "6.00 KB") << "core and the ticked tools";
  EXPECT_EQ(v.Caption(TCtl::lblItemsFileInfo2), "的空间（在 D 驱动器上）");
  EXPECT_EQ(v.Bounds(TCtl::lblItemsFileInfo2).left, v.Bounds(TCtl::lblItemsFileSize).right() + 8);
  EXPECT_TRUE(v.Visible(TCtl::lblItemsFileSize));
  const std::string setupPath = v.Caption(TCtl::lblItemsSetupPath);
  EXPECT_EQ(setupPath, v.Caption(TCtl::lblPathInfo) + "(D:\\Apps\\Tessaly\\)");
  EXPECT_EQ(setupPath.rfind("磁盘 D 总空间：", 0), 0u) << setupPath;
  w.wizard.Click(Row(2));
  EXPECT_EQ(v.Caption(TCtl::lblItemsFileSize), "7.00 KB");
  w.wizard.Click(Tick(1));
  w.wizard.Click(Tick(2));
  EXPECT_EQ(v.Caption(TCtl::lblItemsFileSize), "4.00 KB");
}

// Back returns to the start page; the rebuilt page brings the ticks back to their defaults.
TEST(WizardItemsPage, BackAndRebuild) {
  WizardWorld w;
  w.Start(WizardWorld::Product());
  w.wizard.Click(TCtl::btnStart);
  w.wizard.Click(Row(1));
  EXPECT_FALSE(w.wizard.IsTicked(Tick(1)));
  w.wizard.Click(TCtl::btnItemsBack);
  EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
  w.wizard.Click(TCtl::btnStart);
  EXPECT_EQ(w.view.page, TCtl::pnlStepItems);
  EXPECT_TRUE(w.wizard.IsTicked(Tick(1)));
  EXPECT_FALSE(w.wizard.IsTicked(Tick(2)));
}

// A path the engine refuses keeps the start page and opens the options panel.
TEST(WizardItemsPage, RefusedPathKeepsTheStartPage) {
  WizardWorld w;
  w.Start(WizardWorld::Product());
  // The drive exists and is writable, but the folder cannot be made: a file holds its name.
  vqtest::WriteFileBytes(vqtest::SetupEngineFixture::Host("D:\\Block"), "x");
  w.view.SetCaption(TCtl::edtPath, "D:\\Block\\Tessaly");
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);
  EXPECT_EQ(w.view.page, TCtl::pnlStepStart);
  EXPECT_TRUE(w.view.Visible(TCtl::pnlStepOption));
  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 抱歉，选择的安装路径不能访问！"});
}

}  // namespace
