#pragma once
// The setup core's information and question boxes as real dialogs: while a TvqDialogBoxes
// lives, the core's InfoBox shows a TvqMessageBox with flags 64 and its QueryBox one with flags
// 36 (answers kAnswerYes / kAnswerNo). Asked for from another thread, or without a
// QApplication, a box falls back to the headless default (logged, answered No).
//
// The text table and skin come later than the boxes (the engine that owns them may already
// tell the user something while it is made): until SetLang / SetSkin the boxes use their
// built-in captions and a "skyblue" skin. Both must outlive their use here. Install and use on
// the UI thread.
#include <string>

#include "setup/core/SetupUi.h"

namespace orvane {

class TvqLang;
class TvqSkin;

class TvqDialogBoxes final : public IInfoBox, public IQuestionBox {
 public:
  // Installs itself as the core's information and question box.
  TvqDialogBoxes();
  // Puts the headless default back.
  ~TvqDialogBoxes() override;
  TvqDialogBoxes(const TvqDialogBoxes&) = delete;
  TvqDialogBoxes& operator=(const TvqDialogBoxes&) = delete;

  void SetLang(const TvqLang* lang) { FLang = lang; }
  void SetSkin(const TvqSkin* skin) { FSkin = skin; }

  void InfoBox(const std::string& text, const std::string& title) override;
  [[nodiscard]] int QueryBox(const std::string& text, const std::string& title) override;

 private:
  const TvqLang* FLang = nullptr;
  const TvqSkin* FSkin = nullptr;
};

}  // namespace orvane
