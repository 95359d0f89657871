#include "host/qt/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWheelEvent>

#include <algorithm>

#include "host/qt/look.h"
#include "host/qt/qt_util.h"

namespace qthost {

namespace {

int HAlign(int alignment) {
    switch (alignment) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

int MnemonicFlag(const QWidget* w) {
    return w->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, w) ? Qt::TextShowMnemonic
                                                                          : Qt::TextHideMnemonic;
}

// A 1-pixel outline just inside `r`.
void Outline(QPainter& p, const QRect& r, const QColor& c) {
    p.setPen(c);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

}  // namespace

// ---- PaintedControl -------------------------------------------------------------------------------

PaintedControl::PaintedControl(const forms::Control& control, QWidget* parent) : QWidget(parent), ModelView(control) {}

void PaintedControl::mousePressEvent(QMouseEvent* e) {
    if (onMouse) onMouse(e);
}
void PaintedControl::mouseReleaseEvent(QMouseEvent* e) {
    if (onMouse) onMouse(e);
}
void PaintedControl::mouseMoveEvent(QMouseEvent* e) {
    if (onMouse) onMouse(e);
}
void PaintedControl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (onMouse) onMouse(e);
}

// ---- LabelWidget ----------------------------------------------------------------------------------

void LabelWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    QPainter p(this);
    const QColor back = ToQColor(c.backColor());
    const QColor fore = ToQColor(c.foreColor());
    QRect r = rect();
    if (c.backStyle() != 0) p.fillRect(r, back);
    if (c.borderStyle() == 1) {
        Outline(p, r, Faded(fore, back));
        r.adjust(1, 1, -1, -1);
    }
    if (c.caption().empty()) return;
    p.setFont(font());
    p.setPen(isEnabled() ? fore : Faded(fore, back));
    const QString text = DisplayText(c.caption());
    const int align = HAlign(c.alignment());
    if (text.contains(QLatin1Char('&')) || text.contains(QLatin1Char('\n'))) {
        p.drawText(r, align | Qt::AlignTop | Qt::TextWordWrap | MnemonicFlag(this), text);
        return;
    }
    if (text != layoutText_ || font() != layoutFont_ || r.width() != layoutWidth_ || align != layoutAlignment_) {
        layoutText_ = text;
        layoutFont_ = font();
        layoutWidth_ = r.width();
        layoutAlignment_ = align;
        layout_.setText(text);
        layout_.setTextFormat(Qt::PlainText);
        layout_.setTextWidth(r.width());
        QTextOption option(Qt::Alignment(align) | Qt::AlignTop);
        option.setWrapMode(QTextOption::WordWrap);
        layout_.setTextOption(option);
        layout_.prepare(QTransform(), font());
    }
    p.setClipRect(r);
    p.drawStaticText(r.topLeft(), layout_);
}

// ---- PanelWidget ----------------------------------------------------------------------------------

void PanelWidget::printedChanged() {
    if (checkPending_) return;
    checkPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkPending_ = false;
            if (model_ && model_->printed() != onScreen_) update();
        },
        Qt::QueuedConnection);
}

void PanelWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    onScreen_ = c.printed();
    QPainter p(this);
    const QColor back = ToQColor(c.backColor());
    p.fillRect(rect(), back);
    int inset = 0;
    if (c.borderStyle() == 1) {
        Outline(p, rect(), Faded(ToQColor(c.foreColor()), back).darker(130));
        inset = 1;
    }
    if (!c.picture().empty()) {
        const QIcon icon = PictureIcon(c.picture());
        const QList<QSize> sizes = icon.availableSizes();
        const QSize size = sizes.isEmpty() ? QSize(32, 32) : sizes.last();
        icon.paint(&p, QRect(QPoint(inset, inset), size), Qt::AlignLeft | Qt::AlignTop);
    }
    if (c.printed().empty()) return;
    if (font() != shapedFont_ || shaped_.size() > 256) {
        shaped_.clear();
        shapedFont_ = font();
    }
    p.setClipRect(rect().adjusted(inset, inset, -inset, -inset));
    p.setFont(font());
    p.setPen(ToQColor(c.foreColor()));
    for (const forms::PrintedText& t : c.printed()) {
        const QString text = Q(t.text);
        auto it = shaped_.find(text);
        if (it == shaped_.end()) {
            QStaticText shaped(text);
            shaped.setTextFormat(Qt::PlainText);
            shaped.prepare(QTransform(), font());
            it = shaped_.insert(text, shaped);
        }
        p.drawStaticText(QPoint(inset + Px(t.x), inset + Px(t.y)), *it);
    }
}

// ---- ImageWidget ----------------------------------------------------------------------------------

void ImageWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    if (c.picture().empty()) return;
    QPainter p(this);
    PictureIcon(c.picture())
        .paint(&p, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

// ---- ShapeWidget, LineWidget ----------------------------------------------------------------------

ShapeWidget::ShapeWidget(const forms::Control& control, QWidget* parent) : QWidget(parent), ModelView(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    QPainter p(this);
    if (c.backStyle() == 1) p.fillRect(rect(), ToQColor(c.backColor()));
    if (c.fillStyle() == 0) p.fillRect(rect(), ToQColor(c.fillColor()));
    Outline(p, rect(), ToQColor(c.borderColor()));
}

LineWidget::LineWidget(const forms::Control& control, QWidget* parent) : QWidget(parent), ModelView(control) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::layoutLine() {
    if (!model_) return;
    const forms::Control& c = *model_;
    const QPoint a(Px(c.x1()), Px(c.y1()));
    const QPoint b(Px(c.x2()), Px(c.y2()));
    const QRect box(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                    QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    from_ = a - box.topLeft();
    to_ = b - box.topLeft();
    setGeometry(box);
    update();
}

void LineWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    QPainter p(this);
    p.setPen(QPen(ToQColor(c.borderColor()), 0));
    p.drawLine(from_, to_);
}

// ---- ButtonWidget ---------------------------------------------------------------------------------

ButtonWidget::ButtonWidget(const forms::Control& control, QWidget* parent) : QAbstractButton(parent), ModelView(control) {
    setCheckable(false);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    syncCaption();
}

void ButtonWidget::syncCaption() {
    if (model_) setText(Q(model_->caption()));
}

void ButtonWidget::paintEvent(QPaintEvent*) {
    if (!model_) return;
    const forms::Control& c = *model_;
    QPainter p(this);
    if (c.kind() == forms::Kind::CheckBox && c.style() == 0) {
        paintCheckLook(p, c);
        return;
    }
    const bool toggle = c.kind() == forms::Kind::CheckBox;
    const QColor base = toggle ? ToQColor(c.backColor()) : palette().color(QPalette::Button);
    const bool pressed = isDown() || (toggle && c.value() != forms::vbUnchecked);
    paintPushLook(p, c, base, pressed);
}

void ButtonWidget::paintPushLook(QPainter& p, const forms::Control& c, const QColor& base, bool pressed) {
    const QRect r = rect();
    const bool hover = isEnabled() && underMouse() && !pressed;
    const QColor face = pressed ? base.darker(122) : hover ? base.lighter(107) : base;
    p.fillRect(r, face);
    if (pressed) {
        // A sunken face: shadow along the top and left inner edges.
        p.setPen(face.darker(135));
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    } else {
        p.setPen(face.lighter(112));
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    }
    Outline(p, r, base.darker(pressed ? 175 : 145));
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlpha(160);
        Outline(p, r.adjusted(2, 2, -2, -2), ring);
    }

    const QRect content = r.adjusted(3, 1, -3, -1).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    if (!c.picture().empty()) {
        const int side = std::max(1, std::min(content.width(), content.height()) - 2);
        const QRect box(content.center().x() - side / 2 + 1, content.center().y() - side / 2 + 1, side, side);
        PictureIcon(c.picture()).paint(&p, box, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
    if (c.caption().empty()) return;
    const QColor fore = ToQColor(c.foreColor());
    const QColor ink = c.kind() == forms::Kind::CheckBox ? fore : palette().color(QPalette::ButtonText);
    p.setFont(font());
    p.setPen(isEnabled() ? ink : Faded(ink, face));
    p.drawText(content, Qt::AlignCenter | Qt::TextWordWrap | MnemonicFlag(this), DisplayText(c.caption()));
}

void ButtonWidget::paintCheckLook(QPainter& p, const forms::Control& c) {
    const QColor back = ToQColor(c.backColor());
    const QColor fore = ToQColor(c.foreColor());
    p.fillRect(rect(), back);

    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
    switch (c.value()) {
    case forms::vbChecked: opt.state |= QStyle::State_On; break;
    case forms::vbGrayed: opt.state |= QStyle::State_NoChange; break;
    default: opt.state |= QStyle::State_Off; break;
    }
    if (isDown()) opt.state |= QStyle::State_Sunken;
    QStyle* st = style();
    const int iw = st->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this);
    const int ih = st->pixelMetric(QStyle::PM_IndicatorHeight, &opt, this);
    const int spacing = st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this);
    opt.rect = QRect(0, (height() - ih) / 2, iw, ih);
    st->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);

    if (c.caption().empty()) return;
    p.setFont(font());
    p.setPen(isEnabled() ? fore : Faded(fore, back));
    p.drawText(rect().adjusted(iw + spacing, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | MnemonicFlag(this),
               DisplayText(c.caption()));
}

// ---- ArrowBarWidget -------------------------------------------------------------------------------

ArrowBarWidget::ArrowBarWidget(const forms::Control& control, QWidget* parent) : QWidget(parent), ModelView(control) {
    setFocusPolicy(Qt::TabFocus);
    repeat_.setSingleShot(false);
    QObject::connect(&repeat_, &QTimer::timeout, this, [this] {
        repeat_.setInterval(60);
        fire();
    });
}

void ArrowBarWidget::fire() {
    if (pressed_ != 0 && step) step(pressed_);
}

void ArrowBarWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = e->position().y() < height() / 2.0 ? -1 : +1;
    update();
    repeat_.start(350);
    // The handler may hide or disable this bar, or unload its window: touch nothing afterwards.
    fire();
}

void ArrowBarWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) stopRepeat();
}

void ArrowBarWidget::stopRepeat() {
    repeat_.stop();
    if (pressed_ == 0) return;
    pressed_ = 0;
    update();
}

// A disabled or hidden bar never sees the button go up.
void ArrowBarWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && !isEnabled()) stopRepeat();
    QWidget::changeEvent(e);
}
void ArrowBarWidget::hideEvent(QHideEvent* e) {
    stopRepeat();
    QWidget::hideEvent(e);
}

void ArrowBarWidget::wheelEvent(QWheelEvent* e) {
    const int dy = e->angleDelta().y();
    if (dy != 0 && step) step(dy > 0 ? -1 : +1);
    e->accept();
}

void ArrowBarWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up && step) step(-1);
    else if (e->key() == Qt::Key_Down && step) step(+1);
    else QWidget::keyPressEvent(e);
}

void ArrowBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const int mid = r.height() / 2;
    const QColor base = palette().color(QPalette::Button);
    const QRect halves[2] = {QRect(0, 0, r.width(), mid), QRect(0, mid, r.width(), r.height() - mid)};
    for (int i = 0; i < 2; ++i) {
        const bool down = pressed_ == (i == 0 ? -1 : +1);
        p.fillRect(halves[i], down ? base.darker(122) : base);
    }
    const QColor edge = base.darker(145);
    Outline(p, r, edge);
    p.setPen(edge);
    p.drawLine(1, mid, r.width() - 2, mid);

    const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (int i = 0; i < 2; ++i) {
        const QRectF h = QRectF(halves[i]).adjusted(1, i == 0 ? 1 : 0, -1, i == 0 ? 0 : -1);
        const qreal w = std::min(7.0, h.width() - 6);
        if (w < 2) continue;
        const qreal hh = std::min(w / 2, h.height() - 2);
        const QPointF c = h.center();
        QPolygonF tri;
        if (i == 0) tri << QPointF(c.x() - w / 2, c.y() + hh / 2) << QPointF(c.x() + w / 2, c.y() + hh / 2) << QPointF(c.x(), c.y() - hh / 2);
        else tri << QPointF(c.x() - w / 2, c.y() - hh / 2) << QPointF(c.x() + w / 2, c.y() - hh / 2) << QPointF(c.x(), c.y() + hh / 2);
        p.drawPolygon(tri);
    }
}

// ---- WindowEdge -----------------------------------------------------------------------------------

WindowEdge::WindowEdge(QWidget* window) : QObject(window), window_(window) {
    for (QWidget*& strip : strips_) {
        strip = new QWidget(window);
        strip->setAttribute(Qt::WA_TransparentForMouseEvents);
        strip->setAutoFillBackground(true);
    }
    layout();
    window->installEventFilter(this);
}

void WindowEdge::setColor(const QColor& c) {
    for (QWidget* strip : strips_) {
        QPalette pal = strip->palette();
        if (pal.color(QPalette::Window) == c) continue;
        pal.setColor(QPalette::Window, c);
        strip->setPalette(pal);
    }
}

void WindowEdge::raise() {
    for (QWidget* strip : strips_) strip->raise();
}

void WindowEdge::layout() {
    const int w = window_->width(), h = window_->height();
    strips_[0]->setGeometry(0, 0, w, 1);
    strips_[1]->setGeometry(0, h - 1, w, 1);
    strips_[2]->setGeometry(0, 0, 1, h);
    strips_[3]->setGeometry(w - 1, 0, 1, h);
}

bool WindowEdge::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize) layout();
    return false;
}

// ---- ListBoxWidget --------------------------------------------------------------------------------

ListBoxWidget::ListBoxWidget(QWidget* parent) : QListWidget(parent) {
    setUniformItemSizes(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ListBoxWidget::setExtent(int pixels) {
    if (extent_ == pixels) return;
    extent_ = pixels;
    // Items as wide as their text, never shortened with an ellipsis: the extent decides what shows.
    setUniformItemSizes(extent_ <= 0);
    setTextElideMode(extent_ > 0 ? Qt::ElideNone : Qt::ElideRight);
    updatePolicy();
    updateGeometries();
}

void ListBoxWidget::updatePolicy() {
    // The bar shows exactly while the extent exceeds the list, as the toolkit's does. A bar that
    // came and went with the items' own widths would resize the view under its own layout.
    setHorizontalScrollBarPolicy(extent_ <= 0     ? Qt::ScrollBarAsNeeded
                                 : extent_ > width() ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
}

void ListBoxWidget::resizeEvent(QResizeEvent* e) {
    updatePolicy();
    QListWidget::resizeEvent(e);
}

void ListBoxWidget::updateGeometries() {
    QListWidget::updateGeometries();
    if (extent_ <= 0) return;
    QScrollBar* bar = horizontalScrollBar();
    const int page = viewport()->width();
    bar->setRange(0, std::max(0, extent_ - page));
    bar->setPageStep(page);
}

}  // namespace qthost
