// Small conversions between the forms model and Qt: twips and pixels, colours, texts.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <string>

#include "forms/forms.h"

namespace qthost {

inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, to the nearest pixel (halves away from zero).
constexpr int Px(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int Twips(int px) { return px * kTwipsPerPixel; }

// Converts both edges, so that controls that touch in twips touch on the screen.
inline QRect PxRect(int left, int top, int width, int height) {
    const int x0 = Px(left), y0 = Px(top);
    return QRect(x0, y0, Px(left + width) - x0, Px(top + height) - y0);
}
inline QRect PxRect(const forms::Control& c) { return PxRect(c.left(), c.top(), c.width(), c.height()); }

// The toolkit's colours; values with the high bit set name a system colour.
QColor ToQColor(forms::Color c);

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

// A caption as it is drawn: carriage returns (alone or before a line feed) break the line.
QString DisplayText(const std::string& caption);

// The disabled look of text: the fore colour halfway to the back colour.
QColor Faded(const QColor& fore, const QColor& back);

}  // namespace qthost
