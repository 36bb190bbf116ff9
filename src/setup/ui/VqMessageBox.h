#pragma once
// TvqMessageBox: the setup program's skinned modal message box, 404 by 282 without a frame: a
// coloured head with the title and a close mark "×", the message (a centred label, or a
// scrolling memo for a text of 256 GBK bytes or more) and a foot with up to three label
// buttons and a "复制" (copy) label.
//
// Flags follow the Windows message-box convention: flags mod 16 picks the button set, the rest
// the icon; the result is the Windows code of the answer. Enter clicks the highlighted default
// button, the arrow keys move the highlight, Ctrl+C copies the whole message; Esc does nothing.
// The close mark, and any other close, answers as button 3 of the set.
//
// Texts come from the text table when one is given (button captions, the empty title's
// "消息"); colours from the given skin, else from a "skyblue" skin of the box's own. The table
// and the skin must outlive the box. UI thread only.
#include <string>

#include "setup/core/VqSkin.h"
#include "setup/ui/VqDlgForm.h"
#include "setup/ui/VqLabel.h"

class QFrame;
class QPlainTextEdit;

namespace orvane {

class TvqLang;

// Button sets (flags mod 16).
inline constexpr int kMbOk = 0;
inline constexpr int kMbOkCancel = 1;
inline constexpr int kMbAbortRetryIgnore = 2;
inline constexpr int kMbYesNoCancel = 3;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbRetryCancel = 5;
// Icons.
inline constexpr int kMbIconError = 16;
inline constexpr int kMbIconQuestion = 32;
inline constexpr int kMbIconWarning = 48;
inline constexpr int kMbIconInformation = 64;
// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class TvqMessageBox : public TvqDlgForm {
  Q_OBJECT
 public:
  explicit TvqMessageBox(const TvqLang* lang = nullptr, const TvqSkin* skin = nullptr, QWidget* parent = nullptr);

  // Shows a box modally and returns the answer's code. The information box is flags 64
  // (kMbIconInformation | kMbOk), the yes/no question flags 36 (kMbIconQuestion | kMbYesNo).
  [[nodiscard]] static int ShowBox(const std::string& message, const std::string& title, int flags,
                                   const TvqLang* lang = nullptr, const TvqSkin* skin = nullptr);

  // The title label; an empty title becomes the table's IDS_DAILOG_MESSAGE ("消息").
  void SetTitle(const std::string& title);
  // The message. A trimmed text of 256 GBK bytes or more, or any text once the memo is shown,
  // goes whole into the memo (icon and label hidden); else the trimmed text into the label.
  void SetMsgData(const std::string& message);
  [[nodiscard]] const std::string& MsgData() const { return FMsgData; }
  // Shows the picture of the icon code (16, 32, 48, 64); the pictures are empty by design.
  void SetIcon(int icon);
  // Captions, visibility, default button and answers of a button set (0..15).
  void SetButtons(int buttons);

  // The answer so far: button 3's until a button is clicked.
  [[nodiscard]] int Result() const { return FResult; }
  // The button that Enter clicks.
  [[nodiscard]] TvqLabel* DefaultButton() const { return FDefaultButton; }

  void lblBtn1Click();
  void lblBtn2Click();
  void lblBtn3Click();
  void lblCopyClick();

  QWidget* lblFormBack;
  QFrame* pnlBack;
  QFrame* pnlHead;
  QLabel* lblHead_back;
  TvqLabel* lblCloseBack;
  TvqLabel* lblClose;
  QLabel* lblTitle;
  QFrame* pnlContext;
  QLabel* lblBack;
  QLabel* lblIcon;
  QLabel* imgInfo;
  QLabel* imgWaring;
  QLabel* imgError;
  QLabel* imgQuery;
  QLabel* lblLeft;
  QLabel* lblRight;
  QLabel* lblMsg;
  QPlainTextEdit* mmMsgEx;
  QFrame* pnlFoot;
  QLabel* lblFoot_back;
  TvqLabel* lblBtn1;
  TvqLabel* lblBtn2;
  TvqLabel* lblBtn3;
  TvqLabel* lblCopy;

 protected:
  bool FormKeyDown(QKeyEvent* event) override;
  void FormShow() override;

 private:
  void BuildHead();
  void BuildContext();
  void BuildFoot();
  void ApplyColors();
  void HighlightDefault();
  void UnhighlightButton(TvqLabel* button);
  void ButtonMouseEnter(TvqLabel* button);
  void ButtonMouseLeave(TvqLabel* button);
  // Moves the default to `target` when it is shown.
  void MoveDefault(TvqLabel* target);
  // A caption of the text table, or `fallback` without one.
  [[nodiscard]] QString Caption(const char* key, const char* fallback) const;

  const TvqLang* FLang;
  TvqSkin FOwnSkin;
  const TvqSkin& FSkin;
  std::string FMsgData;
  TvqLabel* FDefaultButton = nullptr;
  int FResult1 = kIdNo;
  int FResult2 = kIdYes;
  int FResult3 = kIdCancel;
  int FResult = kIdCancel;
};

}  // namespace orvane
