// Judging an edit by what it inserted: the text differs from the last accepted one by a removed
// and an inserted run between an unchanged head and tail; the cursor ends the inserted run.
#include "setup/ui/EditRule.h"

#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <utility>

namespace orvane {

TEditRule::TEditRule(QLineEdit* edit, KeyTest takes)
    : QValidator(edit), FEdit(edit), FTakes(std::move(takes)), FAccepted(edit->text()) {
  edit->setValidator(this);
}

void TEditRule::SetText(const QString& text) {
  FSetting = true;
  FEdit->setText(text);
  FSetting = false;
  FAccepted = FEdit->text();
}

QValidator::State TEditRule::validate(QString& input, int& pos) const {
  if (FSetting) {
    FAccepted = input;
    return Acceptable;
  }
  const QString& before = FAccepted;
  const qsizetype cursor = std::clamp<qsizetype>(pos, 0, input.size());
  // The tail after the cursor is old text; the head is what both share before the change.
  qsizetype tail = 0;
  const qsizetype maxTail = std::min(input.size() - cursor, before.size());
  while (tail < maxTail && before[before.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
  qsizetype head = 0;
  const qsizetype maxHead = std::min(before.size(), input.size()) - tail;
  while (head < maxHead && before[head] == input[head]) ++head;
  const QString inserted = input.mid(head, input.size() - head - tail);
  if (inserted.isEmpty()) {
    FAccepted = input;
    return Acceptable;
  }

  qsizetype room = FLimit > 0 ? std::max<qsizetype>(0, FLimit - (input.size() - inserted.size())) : LLONG_MAX;
  QString taken;
  for (const char32_t c : inserted.toUcs4()) {
    // A one-line box holds no control characters; Backspace and the like edit, they add nothing.
    if (c < 0x20 || c == 0x7F || !FTakes(c)) continue;
    const QString unit = QString::fromUcs4(&c, 1);
    if (unit.size() > room) break;
    taken += unit;
    room -= unit.size();
  }
  input = input.left(head) + taken + input.right(tail);
  pos = static_cast<int>(head + taken.size());
  FAccepted = input;
  return Acceptable;
}

}  // namespace orvane
