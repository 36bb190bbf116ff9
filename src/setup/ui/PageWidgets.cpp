// The wizard's labels, label buttons, tick boxes and picture boxes.
#include "setup/ui/PageWidgets.h"

#include <QFont>
#include <QResizeEvent>
#include <QWidget>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

// Qt's image format name for a file extension (".png" -> "PNG").
std::string FormatOf(const std::string& ext) { return platform::AsciiUpper(ext.size() > 1 ? ext.substr(1) : ext); }

}  // namespace

TvqLabel* NewLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new TvqLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->move(left, top);
  label->adjustSize();
  return label;
}

TvqLabel* NewButton(QWidget* parent, const QString& text, int left, int top, int width, int height) {
  auto* label = new TvqLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignCenter);
  label->setCursor(Qt::PointingHandCursor);
  label->setGeometry(left, top, width, height);
  label->setAutoFillBackground(true);
  return label;
}

QLabel* NewBand(QWidget* parent, int left, int top, int width, int height) {
  auto* band = new QLabel(parent);
  band->setGeometry(left, top, width, height);
  band->setAutoFillBackground(true);
  return band;
}

void SetPixelFont(QWidget* widget, int pixels, bool bold) {
  QFont font = widget->font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  widget->setFont(font);
}

TTickBox::TTickBox(QWidget* parent, int left, int top, int size) {
  Outer = NewButton(parent, QString(), left, top, size, size);
  Inner = NewButton(parent, QString(), left + 2, top + 2, size - 4, size - 4);
  Paint();
}

void TTickBox::SetTicked(bool ticked) {
  ticked_ = ticked;
  Paint();
}

void TTickBox::Paint() {
  Outer->setText(ticked_ ? QStringLiteral("√") : QString());
  Inner->setGeometry(Outer->x() + 2, Outer->y() + 2, Outer->width() - 4, Outer->height() - 4);
  Inner->setVisible(!ticked_ && !Outer->isHidden());
  if (!Inner->isHidden()) Inner->raise();
}

TPictureBox::TPictureBox(QWidget* parent, bool stretch) : QLabel(parent), stretch_(stretch) {
  setAlignment(Qt::AlignCenter);
}

bool TPictureBox::LoadPictureFile(const std::string& hostPath, const std::string& ext) {
  const std::string format = FormatOf(ext);
  QPixmap picture;
  // A picture whose content does not match its extension is still shown when Qt knows it.
  if (!picture.load(QString::fromStdString(hostPath), format.c_str()) &&
      !picture.load(QString::fromStdString(hostPath)))
    return false;
  return Take(picture);
}

bool TPictureBox::LoadPictureBytes(const std::string& bytes, const std::string& ext) {
  const std::string format = FormatOf(ext);
  QPixmap picture;
  if (!picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size()),
                            format.c_str()))
    return false;
  return Take(picture);
}

void TPictureBox::ClearPicture() {
  picture_ = QPixmap();
  clear();
}

bool TPictureBox::Take(const QPixmap& picture) {
  picture_ = picture;
  if (!stretch_) resize(picture_.size());
  Fit();
  return true;
}

void TPictureBox::Fit() {
  if (picture_.isNull()) return;
  setPixmap(stretch_ ? picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : picture_);
}

void TPictureBox::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (stretch_) Fit();
}

}  // namespace orvane
