#include "support/RecordingWizardView.h"

#include <gtest/gtest.h>

#include "platform/FileOps.h"
#include "setup/core/GbkText.h"

namespace vqtest {
namespace {

using orvane::TCtl;
using orvane::TRect;

constexpr int kPixelsPerByte = 7;

bool InFamily(TCtl ctl, TCtl first, int count) { return orvane::CtlNumber(ctl, first, count) > 0; }

bool IsTickBox(TCtl ctl) {
  return ctl == TCtl::chkAgreementOk || ctl == TCtl::chkUninstDeepness || ctl == TCtl::chkCreateDeskIcon ||
         ctl == TCtl::chkCreateStartmenu || InFamily(ctl, TCtl::chkItem1Ok, orvane::kItemRows) ||
         InFamily(ctl, TCtl::chkExecOk1, orvane::kExecRows);
}

bool IsEdit(TCtl ctl) { return ctl == TCtl::edtPath || InFamily(ctl, TCtl::edtICfgItem1, orvane::kConfigRows); }

bool IsImage(TCtl ctl) {
  return ctl == TCtl::imgAppStepStartLogo || ctl == TCtl::imgAppLogo || ctl == TCtl::imgSlider ||
         ctl == TCtl::ImgStepFinshBackImg || ctl == TCtl::ImgIOSQRCode;
}

// Labels that the form sizes to their text.
bool Autosizes(TCtl ctl) {
  switch (ctl) {
    case TCtl::lblTitle:
    case TCtl::lblSetupPathLabel:
    case TCtl::lblItemsFileInfo1:
    case TCtl::lblItemsFileSize:
    case TCtl::lblItemsFileInfo2:
    case TCtl::lblOption:
    case TCtl::lblReadAndOK:
    case TCtl::lblAgreement:
    case TCtl::lblUninstDeepness:
    case TCtl::lblPathInfo:
      return true;
    default:
      return InFamily(ctl, TCtl::lblGroup1, orvane::kGroupHeadings) || InFamily(ctl, TCtl::lblItem1, orvane::kItemRows) ||
             InFamily(ctl, TCtl::lblExec1, orvane::kExecRows) || InFamily(ctl, TCtl::lblICfgItem1, orvane::kConfigRows);
  }
}

// The form's places and sizes of the controls the flow measures or moves.
TRect DesignBounds(TCtl ctl) {
  switch (ctl) {
    case TCtl::Main: return {0, 0, 520, 393};
    case TCtl::pnlStepStart:
    case TCtl::pnlStepItems:
    case TCtl::pnlStepConfig:
    case TCtl::pnlStepInstall:
    case TCtl::pnlStepFinsh: return {1, 1, 518, 391};
    case TCtl::lblSetp1Back: return {0, 0, 520, 256};
    case TCtl::lblTitle: return {12, 10, 0, 20};
    case TCtl::lblAppTitle: return {0, 170, 520, 30};
    case TCtl::lblAppVersion: return {0, 205, 520, 20};
    case TCtl::btnStart: return {161, 268, 198, 52};
    case TCtl::lblOption: return {20, 340, 0, 20};
    case TCtl::pnlStepOption: return {0, 365, 520, 71};
    case TCtl::lblSetupPathLabel: return {20, 12, 0, 20};
    case TCtl::edtPath: return {95, 10, 350, 24};
    case TCtl::btnPath: return {455, 10, 40, 24};
    case TCtl::lblPathInfo: return {95, 40, 0, 20};
    case TCtl::pnlItems: return {8, 50, 505, 237};
    case TCtl::lblItemsFileInfo1: return {10, 295, 0, 20};
    case TCtl::lblItemsFileSize: return {90, 295, 0, 20};
    case TCtl::lblItemsFileInfo2: return {160, 295, 0, 20};
    case TCtl::imgSlider: return {0, 0, 520, 331};
    case TCtl::lblFinishBack: return {0, 0, 520, 185};
    case TCtl::lblFinishWord: return {11, 32, 507, 41};
    case TCtl::ImgIOSQRCode: return {351, 48, 100, 100};
    case TCtl::pnlExecs: return {9, 184, 501, 129};
    case TCtl::btnFinish: return {190, 318, 140, 45};
    default: break;
  }
  if (IsTickBox(ctl)) return {0, 0, 16, 16};
  if (Autosizes(ctl)) return {0, 0, 0, 20};
  return {0, 0, 100, 20};
}

// The code points of a UTF-8 text, each with its bytes.
std::vector<std::pair<char32_t, std::string>> CodePoints(const std::string& text) {
  std::vector<std::pair<char32_t, std::string>> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? lead : lead & (0x3F >> (n - 1));
    for (std::size_t k = 1; k < n && i + k < text.size(); ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
    out.emplace_back(cp, text.substr(i, n));
    i += n;
  }
  return out;
}

// Width and height of a PNG, or nothing for other bytes.
std::optional<std::pair<int, int>> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::nullopt;
  const auto be32 = [&](std::size_t at) {
    int v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(bytes[at + k]);
    return v;
  };
  return std::make_pair(be32(16), be32(20));
}

}  // namespace

RecordingWizardView::RecordingWizardView() {
  for (int i = 0; i < static_cast<int>(TCtl::Count); ++i) {
    const auto ctl = static_cast<TCtl>(i);
    controls_[ctl].bounds = DesignBounds(ctl);
  }
}

RecordingWizardView::Control& RecordingWizardView::At(TCtl ctl) {
  EXPECT_LT(static_cast<int>(ctl), static_cast<int>(TCtl::Count));
  return controls_[ctl];
}

const RecordingWizardView::Control& RecordingWizardView::Get(TCtl ctl) const { return controls_.at(ctl); }

void RecordingWizardView::Autosize(TCtl ctl) {
  if (Autosizes(ctl)) At(ctl).bounds.width = static_cast<int>(orvane::GbkByteCount(At(ctl).caption)) * kPixelsPerByte;
}

void RecordingWizardView::SetCaption(TCtl ctl, const std::string& text) {
  At(ctl).caption = text;
  Autosize(ctl);
}

std::string RecordingWizardView::Text(TCtl ctl) const { return Get(ctl).caption; }

void RecordingWizardView::SetHint(TCtl ctl, const std::string& hint) { At(ctl).hint = hint; }

void RecordingWizardView::SetMaxLength(TCtl ctl, int maxChars) {
  EXPECT_TRUE(IsEdit(ctl)) << "typing limit on a control that takes no typing: " << static_cast<int>(ctl);
  At(ctl).maxLength = maxChars;
}

void RecordingWizardView::SetVisible(TCtl ctl, bool visible) { At(ctl).visible = visible; }

void RecordingWizardView::SetEnabled(TCtl ctl, bool enabled) { At(ctl).enabled = enabled; }

void RecordingWizardView::BringToFront(TCtl ctl) { ++At(ctl).fronted; }

TRect RecordingWizardView::Bounds(TCtl ctl) const { return Get(ctl).bounds; }

void RecordingWizardView::SetBounds(TCtl ctl, const TRect& bounds) {
  TRect& b = At(ctl).bounds;
  if (ctl != TCtl::Main) {
    b.left = bounds.left;
    b.top = bounds.top;
    if (bounds.width >= 0) b.width = bounds.width;
  }
  if (bounds.height >= 0) b.height = bounds.height;
}

void RecordingWizardView::SetAlignment(TCtl ctl, orvane::TAlign align) { At(ctl).align = align; }

void RecordingWizardView::SetTick(TCtl box, bool ticked) {
  EXPECT_TRUE(IsTickBox(box)) << "tick on a control that is no tick box: " << static_cast<int>(box);
  At(box).ticked = ticked;
  At(box).tickPainted = true;
}

void RecordingWizardView::SetShapeColors(TCtl shape, orvane::TColor brush, orvane::TColor pen) {
  EXPECT_TRUE(shape == TCtl::PBar || shape == TCtl::PBarBack);
  At(shape).brush = brush;
  At(shape).pen = pen;
}

orvane::IPictureTarget& RecordingWizardView::Picture(TCtl image) {
  EXPECT_TRUE(IsImage(image)) << "picture into a control that is no image: " << static_cast<int>(image);
  return images_.try_emplace(image, *this, image).first->second;
}

bool RecordingWizardView::Image::Take(const std::string& bytes, const std::string& shown) {
  if (bytes.empty()) return false;
  Control& c = view_.At(ctl_);
  c.picture = shown;
  // The logo sizes itself to its picture; the other images keep the size they are given.
  if (ctl_ == TCtl::imgAppLogo) {
    const auto size = PngSize(bytes).value_or(std::make_pair(32, 32));
    c.bounds.width = size.first;
    c.bounds.height = size.second;
  }
  return true;
}

bool RecordingWizardView::Image::LoadPictureFile(const std::string& hostPath, const std::string& /*ext*/) {
  std::string bytes;
  if (platform::ReadFileBytes(hostPath, bytes) != 0) return false;
  return Take(bytes, hostPath);
}

bool RecordingWizardView::Image::LoadPictureBytes(const std::string& bytes, const std::string& ext) {
  return Take(bytes, "bytes" + ext);
}

void RecordingWizardView::ShowPage(TCtl pageCtl) {
  if (page && *page != pageCtl) At(*page).visible = false;
  const TRect window = Get(TCtl::Main).bounds;
  At(pageCtl).bounds = {1, 1, window.width - 2, window.height - 2};
  At(pageCtl).visible = true;
  page = pageCtl;
  pagesShown.push_back(pageCtl);
  for (const TCtl mark : {TCtl::lblMinBack, TCtl::lblMin, TCtl::lblCloseBack, TCtl::lblClose}) ++At(mark).fronted;
}

void RecordingWizardView::Close() {
  ++closeRequests;
  if (!closeQuery || closeQuery()) closed = true;
}

void RecordingWizardView::StartTimer(orvane::TTimer timer, int intervalMs) {
  Timer& t = timers[timer];
  t.running = true;
  t.intervalMs = intervalMs;
  ++t.starts;
}

bool RecordingWizardView::Running(orvane::TTimer timer) const {
  const auto it = timers.find(timer);
  return it != timers.end() && it->second.running;
}

std::optional<std::string> RecordingWizardView::ChooseFolder(const std::string& caption,
                                                            const std::string& /*startFolder*/) {
  folderCaptions.push_back(caption);
  return folderAnswer;
}

void RecordingWizardView::Type(TCtl edit, const std::string& text, const std::function<bool(char32_t)>& accept) {
  EXPECT_TRUE(IsEdit(edit));
  Control& c = At(edit);
  for (const auto& [cp, bytes] : CodePoints(text)) {
    if (accept && !accept(cp)) continue;
    if (c.maxLength > 0 && static_cast<int>(CodePoints(c.caption).size()) >= c.maxLength) continue;
    c.caption += bytes;
  }
}

void RecordingWizardView::Paste(TCtl edit, const std::string& text) {
  EXPECT_TRUE(IsEdit(edit));
  Control& c = At(edit);
  for (const auto& cp : CodePoints(text)) {
    if (c.maxLength > 0 && static_cast<int>(CodePoints(c.caption).size()) >= c.maxLength) break;
    c.caption += cp.second;
  }
}

std::string PngOfSize(int width, int height) {
  std::string png = "\x89PNG\r\n\x1a\n";
  const auto be32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((v >> shift) & 0xFF);
  };
  be32(13);
  png += "IHDR";
  be32(static_cast<std::uint32_t>(width));
  be32(static_cast<std::uint32_t>(height));
  png += std::string("\x08\x06\x00\x00\x00", 5);
  be32(0);
  return png;
}

}  // namespace vqtest
