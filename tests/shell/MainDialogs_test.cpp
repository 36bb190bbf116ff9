// The main window's dialog buttons, and the tray menu while a dialog is open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest/QTest>

#include "shell/AppConfigUnit.h"
#include "shell/AppTransQueryUnit.h"
#include "shell/AppTransResetUnit.h"
#include "shell/MainFixture.h"
#include "support/WaitUntil.h"

namespace tessaly {
namespace {

class MainDialogs : public MainFixture {};

// Each button opens its dialog modally over the main window; the call returns once it closed.
TEST_F(MainDialogs, ButtonsOpenDialogsModally) {
  NewMain();
  bool resetSeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TAppTransReset*>(QApplication::activeModalWidget());
    resetSeen = dialog != nullptr && dialog->parentWidget() == main.get();
    if (dialog) dialog->lblNOClick();
  });
  main->btnResetClick();
  EXPECT_TRUE(resetSeen);
  bool querySeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TAppTransQuery*>(QApplication::activeModalWidget());
    querySeen = dialog != nullptr && dialog->parentWidget() == main.get();
    if (dialog) dialog->lblCloseClick();
  });
  main->btnQueryClick();
  EXPECT_TRUE(querySeen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The tray menu as the notification area opens it: popped up where the icon was clicked, and
// an entry clicked with the mouse.
void ClickTrayEntry(QMenu* aMenu, QAction* aEntry) {
  aMenu->popup(QPoint(40, 40));
  ASSERT_TRUE(vqtest::WaitUntil([&] {
    QCoreApplication::processEvents();
    return aMenu->isVisible() && !aMenu->actionGeometry(aEntry).isEmpty();
  }));
  QTest::mouseClick(aMenu, Qt::LeftButton, {}, aMenu->actionGeometry(aEntry).center());
}

// While the settings dialog is open and gone out of sight, the rest of the desktop (here a
// window standing for the tray icon's) still takes clicks; "显示界面" brings the window back
// with the dialog in front of it; "退出服务", confirmed, closes the dialog as its cancel would
// (nothing typed there is saved, the settings stay as they were) and ends the program.
TEST_F(MainDialogs, TrayMenuWorksWhileADialogIsOpen) {
  NewMain();
  QPushButton trayArea("托盘");
  trayArea.show();
  int trayClicks = 0;
  QObject::connect(&trayArea, &QPushButton::clicked, [&] { ++trayClicks; });
  bool dialogInFront = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TAppConfig*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->edtUploadPageSize->setValue(77);
    main->showMinimized();
    QTest::mouseClick(&trayArea, Qt::LeftButton);
    ClickTrayEntry(main->PopupMenu, main->pmnShow);
    dialogInFront = vqtest::WaitUntil([&] {
      QCoreApplication::processEvents();
      return main->IsShownNormally() && dialog->isVisible() && QApplication::activeWindow() == dialog;
    });
    ClickTrayEntry(main->PopupMenu, main->pmnExit);
  });
  QTest::mouseClick(main->btnConfig, Qt::LeftButton, {}, main->btnConfig->rect().center());
  EXPECT_EQ(trayClicks, 1);
  EXPECT_TRUE(dialogInFront);
  EXPECT_EQ(questions, std::vector<std::string>{"询问|确定退出Velmora自助平台数据传输工具吗？"});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(AppVar->IsExitApp.v(), 1);
  EXPECT_EQ(AppVar->UploadPageSize.v(), 20);
  EXPECT_EQ(Ini("SPFClient", "UploadPageSize"), "<none>");
  EXPECT_EQ(AppVar->SoftVer, "00012");
}

}  // namespace
}  // namespace tessaly
