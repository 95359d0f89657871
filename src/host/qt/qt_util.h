// Small conversions between the forms model and Qt: twips and pixels, colours, texts.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <string>

#include "forms/forms.h"
#include "host/host_rules.h"

namespace qthost {

using host::kTwipsPerPixel;
using host::Px;
using host::Twips;

inline QRect PxRect(int left, int top, int width, int height) {
    const host::PixelRect r = host::PxRect(left, top, width, height);
    return QRect(r.x, r.y, r.width, r.height);
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
