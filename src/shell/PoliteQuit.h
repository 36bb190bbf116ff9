#pragma once
// SIGTERM and SIGINT as the polite quit of the agent: the setup program closes the agent this
// way (by its main window's caption), and Ctrl-C in a terminal does the same. The signal only
// sets a flag and wakes the UI thread, where requested() is emitted from the message loop.
//
// One instance at a time, made and destroyed on the UI thread. The destructor leaves the two
// signals ignored: it runs on the way out, and the shut-down that follows (the engine freeing
// its workers) must finish whatever arrives meanwhile.
#include <QObject>

class QSocketNotifier;

namespace tessaly {

class TPoliteQuit : public QObject {
  Q_OBJECT
 public:
  explicit TPoliteQuit(QObject* aParent = nullptr);
  ~TPoliteQuit() override;
  TPoliteQuit(const TPoliteQuit&) = delete;
  TPoliteQuit& operator=(const TPoliteQuit&) = delete;

  // A signal has arrived while an instance lives (also while the UI thread was blocked and no
  // loop ran yet); false again once that instance is gone.
  [[nodiscard]] static bool Requested();

 signals:
  // Once per arriving signal, on the UI thread, from a running message loop.
  void requested();

 private:
  void Drain();

  QSocketNotifier* FNotifier = nullptr;
};

}  // namespace tessaly
