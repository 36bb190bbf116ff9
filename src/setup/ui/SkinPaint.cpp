// Skin colours on Qt widgets through their palettes.
#include "setup/ui/SkinPaint.h"

#include <QPalette>
#include <QWidget>

#include "setup/core/VqSkin.h"

namespace orvane {
namespace {

// Windows draws the text of a disabled control in the system's grey text colour.
constexpr TColor kGrayText = 0xFF000011;

// `font` for the enabled states only: a disabled widget keeps its grey text.
void SetTextColor(QPalette& palette, QPalette::ColorRole role, TColor font) {
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    palette.setColor(group, role, ToQColor(font));
  palette.setColor(QPalette::Disabled, role, ToQColor(kGrayText));
}

}  // namespace

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>((rgb >> 16) & 0xFF));
}

void SetBackColor(QWidget* widget, TColor back) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(back));
  widget->setPalette(palette);
}

void SetFontColor(QWidget* widget, TColor font) {
  QPalette palette = widget->palette();
  SetTextColor(palette, QPalette::WindowText, font);
  SetTextColor(palette, QPalette::Text, font);
  widget->setPalette(palette);
}

void SetColors(QWidget* widget, TColor back, TColor font) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(back));
  SetTextColor(palette, QPalette::WindowText, font);
  SetTextColor(palette, QPalette::Text, font);
  widget->setPalette(palette);
  SetOpaque(widget, true);
}

void SetOpaque(QWidget* widget, bool opaque) { widget->setAutoFillBackground(opaque); }

void SetEditColors(QWidget* edit, TColor back, TColor font) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, ToQColor(back));
  SetTextColor(palette, QPalette::Text, font);
  edit->setPalette(palette);
}

void PaintButtonLabel(QWidget* label, const TvqSkin& skin) {
  SetColors(label, skin.Button_defBack, skin.Button_defFont);
}

}  // namespace orvane
