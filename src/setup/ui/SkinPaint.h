#pragma once
// How the setup windows put skin colours on their widgets. Colours are the skin's TColor values
// (system colours resolve through ColorToRGB). A label is "opaque" when it paints its own
// background and "transparent" when its parent shows through, as the setup's label buttons,
// bands and frames switch between the two. Text colours hold for enabled widgets; a disabled one
// shows its text in the system's grey, as Windows draws a disabled control.
#include <QColor>

#include "setup/core/SkinColor.h"

class QWidget;

namespace orvane {

class TvqSkin;

[[nodiscard]] QColor ToQColor(TColor color);

// Background colour (kept even while the widget is transparent) and text colour.
void SetBackColor(QWidget* widget, TColor back);
void SetFontColor(QWidget* widget, TColor font);
// Background and text colour, and opaque.
void SetColors(QWidget* widget, TColor back, TColor font);
void SetOpaque(QWidget* widget, bool opaque);
// Text colour of a text box or memo (its base, not the window colour, is its background).
void SetEditColors(QWidget* edit, TColor back, TColor font);

// The normal look of a label button: Button_defBack behind Button_defFont, opaque.
void PaintButtonLabel(QWidget* label, const TvqSkin& skin);

}  // namespace orvane
