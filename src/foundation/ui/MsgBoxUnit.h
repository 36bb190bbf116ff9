#pragma once
// TMsgBox: the agent's message and question box, and the two ways the rest of the system shows
// it (ShowMessageBox, ShowQueryBox). UI thread only: asked for from another thread (or without
// a QApplication) the show functions log the message and answer "no" at once.
//
// Keys: F2, Enter and Esc click ReTry, OK and NO while the button is shown and enabled and its
// caption carries no hot-key text; a caption "text(key)" makes that key (Enter, Esc, F1-F12)
// click it instead. With the default captions, Enter is OK, Esc is NO and F2 is ReTry.
#include <functional>
#include <string>

#include "foundation/ui/BaseFormUnit.h"

class QFrame;
class QScrollArea;
class QTimer;

namespace tessaly {

// Asked before a button whose click is to be notified acts: clearing aIsCanDo keeps the box
// open. aButtonIndex: 1 OK, 2 NO, 3 ReTry.
using TOnMsgBoxButtonClick = std::function<void(bool& aIsCanDo, int aButtonIndex)>;

class TMsgBox : public TBaseForm {
  Q_OBJECT
 public:
  explicit TMsgBox(QWidget* aParent = nullptr);

  TVqLabel* lblOK;     // "确定(Enter)"
  TVqLabel* lblNO;     // "取消(Esc)", Tag 1
  QFrame* pnlView;     // the message area
  // Holds lblMsg. The box grows for a long message up to the screen's height; beyond that the
  // message scrolls here.
  QScrollArea* scbMsg;
  QLabel* lblMsg;
  QTimer* tmrBringFront;  // 1000 ms, runs from show until a button is clicked
  TVqLabel* lblReTry;  // "重试(F2)", hidden
  QLabel* lblHint;     // the remark, hidden
  QLabel* imgWarning;  // hidden

  // 1: warning layout (picture, red 18-point message, window 520 wide); any other value: the
  // information layout (no picture, 11-point message in the window's colour, 480 wide).
  [[nodiscard]] int MsgType() const { return FMsgType; }
  void SetMsgType(int aMsgType);
  // The remark under the message, shown only when not empty.
  void SetRemark(const std::string& aRemark);
  void SetOnButtonClick(TOnMsgBoxButtonClick aHandler) { FOnButtonClick = std::move(aHandler); }

  // Captions (ReTry shown only with a caption), enabled flags "1"/"0" per position (OK, NO,
  // ReTry; empty keeps all), notify flags per position, and the button drawn in the exit colours
  // (1 OK, 3 ReTry, anything else NO).
  void InitButtons(const std::string& aOkText, const std::string& aNoText, const std::string& aReText,
                   const std::string& aBtnEnables, const std::string& aBtnClickTags, int aHotBtnIndex);

  void LoadSkin() override;

  // The buttons: 1 OK, 0 NO, 2 ReTry into FiResult, then close (unless the notified handler
  // keeps the box open).
  void lblOKClick();
  void lblNOClick();
  void lblReTryClick();

  // The text between the first "(" and the first ")" of the caption; empty without "(".
  [[nodiscard]] static std::string GetHotKeyText(const QString& aCaption);

 protected:
  bool FormKeyDown(QKeyEvent* aEvent) override;
  void FormShow() override;

 private:
  void ButtonClick(int aButtonIndex, int aResult);
  // Clicks aLabel when it carries hot-key text naming aKey and is shown and enabled.
  bool HandleHotKey(TVqLabel* aLabel, int aKey);
  // A label button with no hot-key text that is shown and enabled.
  bool IsPlainActive(TVqLabel* aLabel) const;
  [[nodiscard]] static bool IsButtonEnabledFlag(const std::string& aFlags, int aPosition);
  [[nodiscard]] bool IsNotifyButton(int aButtonIndex) const;
  void lblOKMouseLeave(TVqLabel* aLabel);
  void PlaceControls();
  // Grows the window (not past the screen) until the message fits its area.
  void FitMessage();

  int FMsgType = 0;
  TColor FOKColor = 0, FNOColor = 0, FRTColor = 0;
  TColor FOKFontColor = 0, FNOFontColor = 0, FRTFontColor = 0;
  std::string FButtonEnventTags;
  TOnMsgBoxButtonClick FOnButtonClick;
};

// The information box (OK only), modal to the open dialog or the active window. Returns when it
// is closed.
void ShowMessageBox(const std::string& aMessage, const std::string& aTitle);
// The question box, modal; true only when closed with OK. A non-empty remark shows under the
// message.
bool ShowQueryBox(const std::string& aMessage, const std::string& aTitle, const std::string& aRemark);

// True on the thread of the QApplication (false without one).
[[nodiscard]] bool IsUiThread();

// Makes TvqLib::MsgBox, MsgQuery and CopyToClip show the agent's boxes and use the clipboard.
// Called by the program body once its QApplication exists.
void RegisterDialogHooks();

}  // namespace tessaly
