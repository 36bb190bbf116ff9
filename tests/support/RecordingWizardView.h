#pragma once
// A wizard window without widgets for the page-flow tests: it keeps every control's state as
// the controller last set it, starting from the form's design places and sizes, and records the
// calls that matter (pages, timers, pictures, status lines, closing). It is as strict as the
// real window: a tick or a typing limit on a control that has none fails the test, labels
// autosize from their text, an autosized picture takes the size of the picture file, typing
// goes through the key filter and the typing limit, and a close asks the close query first.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "setup/core/SetupUi.h"
#include "setup/ui/WizardView.h"

namespace vqtest {

class RecordingWizardView final : public orvane::IWizardView {
 public:
  struct Control {
    std::string caption;
    std::string hint;
    bool visible = true;
    bool enabled = true;
    orvane::TRect bounds;
    bool ticked = false;
    bool tickPainted = false;
    std::optional<orvane::TColor> color, fontColor, brush, pen, innerColor;
    int fontSize = 0;
    std::optional<bool> transparent;
    orvane::TAlign align = orvane::TAlign::Left;
    int maxLength = 0;
    // The picture now shown: the host file, or "bytes<ext>" for loaded bytes; empty when none.
    std::string picture;
    int fronted = 0;
  };
  struct Timer {
    bool running = false;
    int intervalMs = 0;
    int starts = 0;
  };

  RecordingWizardView();

  // orvane::IWizardView
  void SetCaption(orvane::TCtl ctl, const std::string& text) override;
  [[nodiscard]] std::string Text(orvane::TCtl ctl) const override;
  void SetHint(orvane::TCtl ctl, const std::string& hint) override;
  void SetMaxLength(orvane::TCtl ctl, int maxChars) override;
  void SetVisible(orvane::TCtl ctl, bool visible) override;
  void SetEnabled(orvane::TCtl ctl, bool enabled) override;
  void BringToFront(orvane::TCtl ctl) override;
  [[nodiscard]] orvane::TRect Bounds(orvane::TCtl ctl) const override;
  void SetBounds(orvane::TCtl ctl, const orvane::TRect& bounds) override;
  void SetAlignment(orvane::TCtl ctl, orvane::TAlign align) override;
  void SetTick(orvane::TCtl box, bool ticked) override;
  void SetInnerTickColor(orvane::TCtl box, orvane::TColor color) override { At(box).innerColor = color; }
  void SetColor(orvane::TCtl ctl, orvane::TColor back) override { At(ctl).color = back; }
  void SetFontColor(orvane::TCtl ctl, orvane::TColor font) override { At(ctl).fontColor = font; }
  void SetFontSize(orvane::TCtl ctl, int points) override { At(ctl).fontSize = points; }
  void SetTransparent(orvane::TCtl ctl, bool transparent) override { At(ctl).transparent = transparent; }
  void SetShapeColors(orvane::TCtl shape, orvane::TColor brush, orvane::TColor pen) override;
  [[nodiscard]] orvane::IPictureTarget& Picture(orvane::TCtl image) override;
  void ClearPicture(orvane::TCtl image) override { At(image).picture.clear(); }
  void ShowPage(orvane::TCtl page) override;
  void SetAppTitle(const std::string& title) override { appTitle = title; }
  void Minimize() override { ++minimized; }
  void StartWindowDrag() override { ++drags; }
  void Close() override;
  void StartTimer(orvane::TTimer timer, int intervalMs) override;
  void StopTimer(orvane::TTimer timer) override { timers[timer].running = false; }
  [[nodiscard]] orvane::IStatusLine& StatusLine() override { return status_; }
  void AttachProgress() override { ++progressAttached; }
  [[nodiscard]] std::optional<std::string> ChooseFolder(const std::string& caption,
                                                        const std::string& startFolder) override;

  // What a user does: types `text` at the end of an edit box, each character offered to
  // `accept` (the controller's key filter) and to the typing limit; pastes bypass the filter.
  void Type(orvane::TCtl edit, const std::string& text, const std::function<bool(char32_t)>& accept);
  void Paste(orvane::TCtl edit, const std::string& text);

  [[nodiscard]] const Control& Get(orvane::TCtl ctl) const;
  [[nodiscard]] bool Visible(orvane::TCtl ctl) const { return Get(ctl).visible; }
  [[nodiscard]] const std::string& Caption(orvane::TCtl ctl) const { return Get(ctl).caption; }
  [[nodiscard]] bool Running(orvane::TTimer timer) const;
  [[nodiscard]] const std::vector<std::string>& StatusLines() const { return status_.lines; }

  // Answered to the close query before a close; empty grants every close.
  std::function<bool()> closeQuery;
  // The folder dialog's next answer (a host path), nothing for a cancel.
  std::optional<std::string> folderAnswer;
  std::vector<std::string> folderCaptions;

  std::optional<orvane::TCtl> page;
  std::vector<orvane::TCtl> pagesShown;
  std::string appTitle;
  std::map<orvane::TTimer, Timer> timers;
  int minimized = 0;
  int drags = 0;
  int progressAttached = 0;
  int closeRequests = 0;
  bool closed = false;

 private:
  class Image final : public orvane::IPictureTarget {
   public:
    Image(RecordingWizardView& view, orvane::TCtl ctl) : view_(view), ctl_(ctl) {}
    bool LoadPictureFile(const std::string& hostPath, const std::string& ext) override;
    bool LoadPictureBytes(const std::string& bytes, const std::string& ext) override;

   private:
    bool Take(const std::string& bytes, const std::string& shown);
    RecordingWizardView& view_;
    orvane::TCtl ctl_;
  };
  class Status final : public orvane::IStatusLine {
   public:
    void ShowStatus(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
  };

  [[nodiscard]] Control& At(orvane::TCtl ctl);
  void Autosize(orvane::TCtl ctl);

  std::map<orvane::TCtl, Control> controls_;
  std::map<orvane::TCtl, Image> images_;
  Status status_;
};

// A PNG file's bytes of the given size (a valid header and one empty image chunk).
[[nodiscard]] std::string PngOfSize(int width, int height);

}  // namespace vqtest
