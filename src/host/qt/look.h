// Icons and fonts of the program's windows.
#pragma once

#include <QFont>
#include <QIcon>

#include "forms/forms.h"

namespace qthost {

// A program icon resource: 1 the program, 101 green, 102 yellow, 103 red, 104 crossed out. Taken
// from the built-in artwork, else from the icons beside the program, else from the theme, else painted.
QIcon ResourceIcon(int resource);
// A picture property: a resource, an image file, or {0, "name"} for a theme icon ("folder").
QIcon PictureIcon(const forms::Picture& picture);

// The layout was made for 8.25-point "MS Sans Serif" at 96 dots per inch (11 pixels). `px` is the
// pixel size that design font becomes; other sizes follow in proportion.
QFont MapFont(const forms::Font& font, int px);
inline constexpr int kDesignFontPx = 11;

// The largest pixel size, from the design size down to a legible minimum, at which every caption
// of the form fits its control as laid out.
int FitFontPx(const forms::Form& form);

}  // namespace qthost
