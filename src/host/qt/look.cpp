#include "host/qt/look.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyle>

#include <algorithm>
#include <cmath>

#include "host/qt/qt_util.h"

namespace qthost {

// ---- small conversions (qt_util.h) ----------------------------------------------------------------

QColor ToQColor(forms::Color c) {
    if (c & 0x80000000u) {
        const QPalette pal = QApplication::palette();
        switch (c & 0xFF) {
        case 0x01: case 0x02: case 0x0D: return pal.color(QPalette::Highlight);
        case 0x05: return pal.color(QPalette::Base);
        case 0x08: return pal.color(QPalette::Text);
        case 0x09: case 0x0E: return pal.color(QPalette::HighlightedText);
        case 0x0F: return pal.color(QPalette::Button);
        case 0x10: return pal.color(QPalette::Dark);
        case 0x11: return pal.color(QPalette::PlaceholderText);
        case 0x12: return pal.color(QPalette::ButtonText);
        case 0x14: return pal.color(QPalette::Light);
        case 0x15: return pal.color(QPalette::Shadow);
        case 0x16: return pal.color(QPalette::Midlight);
        case 0x17: return pal.color(QPalette::ToolTipText);
        case 0x18: return pal.color(QPalette::ToolTipBase);
        default: return pal.color(QPalette::Window);
        }
    }
    return QColor(forms::RedOf(c), forms::GreenOf(c), forms::BlueOf(c));
}

QString DisplayText(const std::string& caption) {
    QString s = Q(caption);
    if (s.contains(QLatin1Char('\r'))) {
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    return s;
}

QColor Faded(const QColor& fore, const QColor& back) {
    return QColor((fore.red() + back.red()) / 2, (fore.green() + back.green()) / 2, (fore.blue() + back.blue()) / 2);
}

// ---- icons ----------------------------------------------------------------------------------------

namespace {

QPixmap PaintProgramIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5E, 0x81, 0xAC));
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // A memory module: a light board with chips and a row of contacts.
    const QRectF board(s * 0.14, s * 0.30, s * 0.72, s * 0.40);
    p.setBrush(QColor(0xEC, 0xEF, 0xF4));
    p.drawRect(board);
    p.setBrush(QColor(0x2E, 0x34, 0x40));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(board.left() + s * (0.05 + i * 0.225), board.top() + s * 0.06, s * 0.17, s * 0.18));
    p.setBrush(QColor(0xEB, 0xCB, 0x8B));
    const int contacts = size >= 32 ? 8 : 4;
    const qreal step = board.width() / contacts;
    for (int i = 0; i < contacts; ++i)
        p.drawRect(QRectF(board.left() + i * step + step * 0.2, board.bottom() - s * 0.07, step * 0.6, s * 0.07));
    return pm;
}

QPixmap PaintLamps(int size, const QColor& lit, bool crossed) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x34, 0x40));
    p.drawRoundedRect(QRectF(0.5, s * 0.18, s - 1, s * 0.64), s * 0.16, s * 0.16);
    const qreal d = s * 0.36;
    for (int i = 0; i < 2; ++i) {
        const QRectF lamp(s * 0.09 + i * s * 0.46, s * 0.32, d, d);
        QRadialGradient g(lamp.center() - QPointF(d * 0.15, d * 0.15), d * 0.6);
        const QColor c = crossed ? QColor(0x80, 0x86, 0x90) : lit;
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c);
        p.setBrush(g);
        p.drawEllipse(lamp);
    }
    if (crossed) {
        QPen pen(QColor(0xE0, 0x3C, 0x31), std::max(1.5, s / 10));
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(s * 0.15, s * 0.15), QPointF(s * 0.85, s * 0.85));
        p.drawLine(QPointF(s * 0.85, s * 0.15), QPointF(s * 0.15, s * 0.85));
    }
    return pm;
}

QIcon PaintedIcon(int resource) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        switch (resource) {
        case 101: icon.addPixmap(PaintLamps(size, QColor(0x3F, 0xB9, 0x50), false)); break;
        case 102: icon.addPixmap(PaintLamps(size, QColor(0xF2, 0xC1, 0x2E), false)); break;
        case 103: icon.addPixmap(PaintLamps(size, QColor(0xE0, 0x3C, 0x31), false)); break;
        case 104: icon.addPixmap(PaintLamps(size, QColor(), true)); break;
        default: icon.addPixmap(PaintProgramIcon(size)); break;
        }
    }
    return icon;
}

QIcon LoadResourceIcon(int resource) {
    const QString n = QString::number(resource);
    QIcon icon;
    auto addIfPresent = [&icon](const QString& file) {
        if (!QFile::exists(file)) return false;
        icon.addFile(file);
        return true;
    };
    // Every size the artwork comes in: 16 and 24 pixels drawn for small trays, 32, and 64, 128.
    auto addSizes = [&](const QString& stem) {
        if (!addIfPresent(stem + QStringLiteral(".png"))) return false;
        for (const char* suffix : {"-16.png", "-24.png", "@2x.png", "@4x.png"}) addIfPresent(stem + QLatin1String(suffix));
        return true;
    };
    if (addSizes(QStringLiteral(":/icons/") + n)) return icon;
    if (addSizes(QCoreApplication::applicationDirPath() + QStringLiteral("/icons/") + n)) return icon;
    if (resource == 1 && QIcon::hasThemeIcon(QStringLiteral("tarnolux"))) return QIcon::fromTheme(QStringLiteral("tarnolux"));
    return PaintedIcon(resource);
}

}  // namespace

QIcon ResourceIcon(int resource) {
    // Pixmaps must not outlive the application object: the cache goes with it.
    static QHash<int, QIcon>* cache = nullptr;
    if (!cache) {
        cache = new QHash<int, QIcon>;
        qAddPostRoutine([] {
            delete cache;
            cache = nullptr;
        });
    }
    auto it = cache->find(resource);
    if (it == cache->end()) it = cache->insert(resource, LoadResourceIcon(resource));
    return *it;
}

QIcon PictureIcon(const forms::Picture& picture) {
    if (picture.resource != 0) return ResourceIcon(picture.resource);
    if (picture.file.empty()) return {};
    const QString name = Q(picture.file);
    if (QFile::exists(name)) return QIcon(name);
    if (name == QLatin1String("folder")) {
        QIcon themed = QIcon::fromTheme(name);
        return themed.isNull() ? QApplication::style()->standardIcon(QStyle::SP_DirIcon) : themed;
    }
    return QIcon::fromTheme(name);
}

// ---- fonts ----------------------------------------------------------------------------------------

namespace {

bool IsDesignUiFamily(const std::string& name) {
    static const char* const names[] = {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
                                        "Tahoma", "Arial", "Segoe UI", "System", "Small Fonts"};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* n) { return QString::fromLatin1(n).compare(Q(name), Qt::CaseInsensitive) == 0; });
}

QString DesktopSans() {
    static const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return family;
}

// The rectangle, in pixels, that a control gives its caption.
QRect CaptionRect(const forms::Control& c) {
    const QRect r = PxRect(c);
    switch (c.kind()) {
    case forms::Kind::Label:
        return c.borderStyle() == 1 ? r.adjusted(1, 1, -1, -1) : r;
    case forms::Kind::CheckBox:
        if (c.style() == 1) return r.adjusted(3, 1, -3, -1);
        {
            QStyle* st = QApplication::style();
            const int lead = st->pixelMetric(QStyle::PM_IndicatorWidth) + st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            return r.adjusted(lead, 0, 0, 0);
        }
    case forms::Kind::CommandButton:
        return r.adjusted(3, 1, -3, -1);
    default:
        return {};
    }
}

}  // namespace

QFont MapFont(const forms::Font& font, int px) {
    QFont f;
    const QString family = Q(font.name);
    if (IsDesignUiFamily(font.name) || family.isEmpty() || !QFontDatabase::hasFamily(family))
        f.setFamily(DesktopSans());
    else
        f.setFamily(family);
    const double pixels = font.size * 96.0 / 72.0 * px / kDesignFontPx;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    return f;
}

int FitFontPx(const forms::Form& form) {
    constexpr int kMinPx = 9;
    for (int px = kDesignFontPx; px > kMinPx; --px) {
        bool fits = true;
        for (const auto& c : form.controls()) {
            if (c->caption().empty()) continue;
            const QRect r = CaptionRect(*c);
            if (r.isEmpty()) continue;
            const QFontMetrics fm(MapFont(c->font(), px));
            const QRect need = fm.boundingRect(QRect(0, 0, r.width(), 100000),
                                               Qt::TextWordWrap | Qt::TextShowMnemonic, DisplayText(c->caption()));
            if (need.width() > r.width() || need.height() > std::max(r.height(), fm.height())) {
                fits = false;
                break;
            }
        }
        if (fits) return px;
    }
    return kMinPx;
}

}  // namespace qthost
