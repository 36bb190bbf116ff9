#pragma once
// The rules a setup edit box keeps on its text however the text changes: typed, pasted, dropped
// or composed by an input method. Every inserted character must be one the box takes as a typed
// key, and inserted text never makes the box longer than its limit; what breaks a rule is left
// out, as a refused key would be. Text the program sets is taken whole (a stored value longer
// than the limit is shown and kept), and deleting is always allowed. UI thread only.
#include <QString>
#include <QValidator>
#include <functional>

class QLineEdit;

namespace orvane {

class TEditRule final : public QValidator {
  Q_OBJECT
 public:
  // Whether the box takes `key` as a typed character.
  using KeyTest = std::function<bool(char32_t key)>;

  // Installs itself as `edit`'s validator; `edit` owns it.
  TEditRule(QLineEdit* edit, KeyTest takes);

  // At most `maxChars` UTF-16 units once text is inserted; 0 for no limit.
  void SetLimit(int maxChars) { FLimit = maxChars; }
  // The program's text for the box, taken whole.
  void SetText(const QString& text);

  State validate(QString& input, int& pos) const override;

 private:
  QLineEdit* FEdit;
  KeyTest FTakes;
  int FLimit = 0;
  bool FSetting = false;
  // The text as last accepted: what an edit is measured against.
  mutable QString FAccepted;
};

}  // namespace orvane
