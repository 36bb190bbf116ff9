// The core's boxes shown as setup message boxes.
#include "setup/ui/DialogBoxes.h"

#include <QApplication>
#include <QThread>

#include "setup/ui/VqMessageBox.h"

namespace orvane {
namespace {

bool OnUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace

TvqDialogBoxes::TvqDialogBoxes() {
  SetInfoBox(this);
  SetQuestionBox(this);
}

TvqDialogBoxes::~TvqDialogBoxes() {
  SetInfoBox(nullptr);
  SetQuestionBox(nullptr);
}

void TvqDialogBoxes::InfoBox(const std::string& text, const std::string& title) {
  if (!OnUiThread()) {
    HeadlessUi().InfoBox(text, title);
    return;
  }
  (void)TvqMessageBox::ShowBox(text, title, kMbIconInformation | kMbOk, FLang, FSkin);
}

int TvqDialogBoxes::QueryBox(const std::string& text, const std::string& title) {
  if (!OnUiThread()) return HeadlessUi().QueryBox(text, title);
  return TvqMessageBox::ShowBox(text, title, kMbIconQuestion | kMbYesNo, FLang, FSkin) == kIdYes ? kAnswerYes
                                                                                                  : kAnswerNo;
}

}  // namespace orvane
