// Skin colours on Qt widgets through their palettes.
#include "setup/ui/SkinPaint.h"

#include <QPalette>
#include <QWidget>

#include "setup/core/VqSkin.h"

namespace orvane {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

void SetBackColor(QWidget* widget, TColor back) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(back));
  widget->setPalette(palette);
}

void SetFontColor(QWidget* widget, TColor font) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, ToQColor(font));
  palette.setColor(QPalette::Text, ToQColor(font));
  widget->setPalette(palette);
}

void SetColors(QWidget* widget, TColor back, TColor font) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(back));
  palette.setColor(QPalette::WindowText, ToQColor(font));
  palette.setColor(QPalette::Text, ToQColor(font));
  widget->setPalette(palette);
  SetOpaque(widget, true);
}

void SetOpaque(QWidget* widget, bool opaque) { widget->setAutoFillBackground(opaque); }

void SetEditColors(QWidget* edit, TColor back, TColor font) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, ToQColor(back));
  palette.setColor(QPalette::Text, ToQColor(font));
  edit->setPalette(palette);
}

void PaintButtonLabel(QWidget* label, const TvqSkin& skin) { SetColors(label, skin.Button_defBack, skin.Button_defFont); }

}  // namespace orvane
