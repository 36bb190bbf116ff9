// The items page: the selectable modules as rows under up to five group headings, laid out in
// one or two columns, the user's ticks written into the module list, and the space lines of the
// items page and the options panel.
#include <algorithm>
#include <cstdint>
#include <set>

#include "platform/Drives.h"
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/GbkText.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/ui/WizardController.h"
#include "setup/ui/WizardModules.h"

namespace orvane {
namespace {

constexpr int kMaxStep = 56;
constexpr int kCharWidth = 12;
constexpr int kOneColumnWidest = 18;

int TitleBytes(const std::string& title) { return static_cast<int>(GbkByteCount(title)); }

}  // namespace

std::string TWizardController::DriveOf(const std::string& path) {
  const std::size_t at = path.find(":\\");
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

void TWizardController::ShowItemsPage() {
  TvqApp& app = *FApp;
  const bool sizes = app.Mode != kModeUninstall;
  for (const TCtl ctl : {TCtl::lblItemsFileInfo1, TCtl::lblItemsFileSize, TCtl::lblItemsFileInfo2}) Show(ctl, sizes);
  SetCaption(TCtl::lblItemTitle, app.Lang().FormatText("IDS_PLEASESELECTITEM", {Text(ModeKey(app.Mode))}));
  const std::string path = PathText();
  if (!path.empty() && app.CheckInstallPath(path)) {
    app.SetInstallPath(path);
    SetOptionExpanded(false);
    ShowPage(TCtl::pnlStepItems);
    BuildItemsPage();
    FItemsShown = true;
    return;
  }
  SetOptionExpanded(true);
  Info(Text("IDS_MSG_INSTALLPATHCANNOTACCESS"), Text("IDS_DAILOG_MESSAGE"));
}

bool TWizardController::PlaceItemRow(int row, int index, const std::string& name, const std::string& title,
                                     bool ticked) {
  const auto caption = NthCtl(TCtl::lblItem1, row, kItemRows);
  if (!caption) return false;
  const TCtl box = *NthCtl(TCtl::chkItem1Ok, row, kItemRows);
  SetTag(*caption, index);
  SetHint(*caption, name);
  SetCaption(*caption, title);
  Show(*caption, true);
  Show(box, true);
  FView.BringToFront(box);
  SetTick(box, ticked);
  return true;
}

void TWizardController::BuildItemsPage() {
  TvqApp& app = *FApp;
  std::string group;
  std::optional<TCtl> heading;
  int nextHeading = 1;
  int headings = 0;
  int widest = 0;
  int row = 1;
  std::set<int> placed;
  FItemHeading.clear();

  for (int i = 0; i < static_cast<int>(app.ModuleList.size()); ++i) {
    const TModuleRecord module = ParseModuleLine(app.ModuleList[static_cast<std::size_t>(i)]);
    if (!module.can_select || module.item_group.empty()) continue;
    widest = std::max(widest, TitleBytes(module.title));
    const bool ticked = app.IsModuleInstalled(module.key);
    if (!platform::SameText(module.item_group, group)) {
      group = module.item_group;
      heading = NthCtl(TCtl::lblGroup1, nextHeading, kGroupHeadings);
      if (heading) {
        SetCaption(*heading, group);
        SetHint(*heading, "");
        Show(*heading, true);
        ++headings;
      }
      ++nextHeading;
    }
    if (!heading) continue;
    if (PlaceItemRow(row++, i, module.key, module.title, ticked)) {
      SetHint(*heading, Hint(*heading) + "item:" + module.key + ";");
      FItemHeading[module.key] = nextHeading - 1;
      placed.insert(i);
    }
  }

  for (int i = 0; i < static_cast<int>(app.ModuleList.size()); ++i) {
    if (placed.count(i) > 0) continue;
    std::string& line = app.ModuleList[static_cast<std::size_t>(i)];
    const TModuleRecord module = ParseModuleLine(line);
    widest = std::max(widest, TitleBytes(module.title));
    if (!module.can_select) {
      line = WithSetupFlag(line, true);
      continue;
    }
    (void)PlaceItemRow(row++, i, module.key, module.title, app.IsModuleInstalled(module.key));
  }

  LayoutItemRows(widest, headings);
  UpdateNeededSpace();
}

void TWizardController::LayoutItemRows(int widest, int headings) {
  int shown = 0;
  for (int n = 1; n <= kItemRows; ++n) shown += IsVisible(*NthCtl(TCtl::lblItem1, n, kItemRows)) ? 1 : 0;
  if (shown == 0) return;
  const int rows = shown >= 6 ? shown / 2 + 1 : shown;
  const TRect area = FView.Bounds(TCtl::pnlItems);
  const int step = std::min(kMaxStep, area.height / (rows + headings + 1));
  const bool single = (widest <= kOneColumnWidest || shown <= 4) && shown < 6;
  const int centred = (area.width - widest * kCharWidth) / 2;
  int line = 1;
  int lastHeading = -1;
  int column = 1;
  int top = 0;
  for (int n = 1; n <= kItemRows; ++n, ++column) {
    const TCtl caption = *NthCtl(TCtl::lblItem1, n, kItemRows);
    if (!IsVisible(caption)) continue;
    const auto found = FItemHeading.find(Hint(caption));
    const int h = found != FItemHeading.end() ? found->second : -1;
    const bool grouped = h > 0;
    if (grouped && h != lastHeading) {
      lastHeading = h;
      if (const auto heading = NthCtl(TCtl::lblGroup1, h, kGroupHeadings)) {
        if (line > 1) ++line;
        MoveTo(*heading, single ? centred - 36 : 26, step / 2 + step * (line - 1));
        ++line;
        column = 1;
      }
    }
    int left = 0;
    if (single) {
      left = centred + (grouped ? 10 : 0);
      top = step / 2 + step * (line - 1);
      ++line;
    } else if (column % 2 == 1) {
      left = grouped ? 70 : 60;
      top = step / 2 + step * (line - 1);
    } else {
      left = 280;
      ++line;
    }
    MoveTo(caption, left, top);
    MoveTo(*NthCtl(TCtl::chkItem1Ok, n, kItemRows), left - 24, top);
  }
}

int TWizardController::ApplyItemSelection() {
  TvqApp& app = *FApp;
  int shown = 0;
  for (int n = 1; n <= kItemRows; ++n) {
    const TCtl caption = *NthCtl(TCtl::lblItem1, n, kItemRows);
    if (!IsVisible(caption)) continue;
    ++shown;
    const bool ticked = IsTicked(*NthCtl(TCtl::chkItem1Ok, n, kItemRows));
    for (std::string& line : app.ModuleList)
      if (platform::SameText(LineName(line), Hint(caption))) {
        line = WithSetupFlag(line, ticked);
        break;
      }
  }
  return shown;
}

void TWizardController::lblItemClick(int row) {
  Guard([&] {
    const auto box = NthCtl(TCtl::chkItem1Ok, row, kItemRows);
    if (!box || !FApp) return;
    ToggleTick(*box);
    UpdateNeededSpace();
  });
}

void TWizardController::UpdateNeededSpace() {
  TvqApp& app = *FApp;
  const std::string drive = DriveOf(FView.Text(TCtl::edtPath));
  SetCaption(TCtl::lblItemsFileSize, "0MB");
  app.SelectedGroups.clear();
  for (const std::string& line : app.ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (!module.can_select) (void)app.CollectModuleGroups(module.key, app.SelectedGroups);
  }
  for (int n = 1; n <= kItemRows; ++n) {
    const TCtl caption = *NthCtl(TCtl::lblItem1, n, kItemRows);
    if (IsVisible(caption) && IsTicked(*NthCtl(TCtl::chkItem1Ok, n, kItemRows)))
      (void)app.CollectModuleGroups(Hint(caption), app.SelectedGroups);
  }
  std::int64_t total = 0;
  for (const std::string& line : app.SelectedGroups) total += app.GetGroupFileSize(LineName(line));
  SetCaption(TCtl::lblItemsFileSize, TvqLib::SizeText("#0.00", total));
  SetCaption(TCtl::lblItemsFileInfo2, app.Lang().FormatText("IDS_ITEMNEEDDISK", {drive}));
  const TRect info = FView.Bounds(TCtl::lblItemsFileInfo2);
  MoveTo(TCtl::lblItemsFileInfo2, FView.Bounds(TCtl::lblItemsFileSize).right() + 8, info.top);
  if (Tag(TCtl::lblPathInfo) != 1) {
    SetTag(TCtl::lblPathInfo, 1);
    UpdateDiskInfo();
  }
  SetCaption(TCtl::lblItemsSetupPath, Caption(TCtl::lblPathInfo) + "(" + FView.Text(TCtl::edtPath) + ")");
}

void TWizardController::UpdateDiskInfo() {
  if (!FApp || Tag(TCtl::lblPathInfo) == 0) return;
  SetCaption(TCtl::lblPathInfo, "");
  const std::string drive = DriveOf(FView.Text(TCtl::edtPath));
  if (drive.size() != 1) return;
  std::uint64_t total = 0;
  std::uint64_t free = 0;
  if (!platform::DriveTotalBytes(drive[0], total) || !platform::DriveFreeBytes(drive[0], free)) return;
  SetCaption(TCtl::lblPathInfo,
             FApp->Lang().FormatText("IDS_DISKINFO", {drive, TvqLib::SizeText("#0", static_cast<std::int64_t>(total)),
                                                      TvqLib::SizeText("#0", static_cast<std::int64_t>(free))}));
}

}  // namespace orvane
