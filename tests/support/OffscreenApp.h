#pragma once
// The QApplication of a dialog test, on the offscreen platform, and PNG screenshots written
// under the build folder (<build>/screenshots) for a reviewer to look at.
//
// Header only: test_support links no Qt; the dialog tests that include it do.
#include <QApplication>
#include <QDir>
#include <QString>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "support/BuildTree.h"
#include "support/TempRoot.h"

// fontconfig keeps a few pattern objects of Qt's font fallback until exit on purpose; they are
// not ours to free, so the leak checker of the sanitizer build is told to pass over them. Weak:
// a test binary may include this header from more than one file.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vqtest {

// Creates the application on first use: offscreen platform, a private 0700 runtime folder and
// a UTF-8 locale, unless the environment already names them. Qt's own settings (the file
// dialog's history) go to the test process's folder, never to the user's.
inline QApplication& OffscreenApp() {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LANG", "C.UTF-8", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
      static const std::string runtime = ProcessTempRoot() + "/runtime";
      mkdir(runtime.c_str(), 0700);
      setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    setenv("XDG_CONFIG_HOME", (ProcessTempRoot() + "/config").c_str(), 1);
    static int argc = 1;
    static char name[] = "dialog_test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Renders the widget into <build>/screenshots/<name>.png; returns the file path (empty when it
// could not be written).
inline std::string SaveScreenshot(QWidget& widget, const std::string& name) {
  const QString folder = QString::fromStdString(BuildFolder()) + "/screenshots";
  QDir().mkpath(folder);
  const QString file = folder + "/" + QString::fromStdString(name) + ".png";
  return widget.grab().save(file, "PNG") ? file.toStdString() : std::string();
}

}  // namespace vqtest
