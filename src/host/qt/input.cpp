// What the user does to the widgets, and the timers' ticks, handed to the model.
#include <QMouseEvent>
#include <QWidget>

#include "host/host_rules.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"

namespace qthost {

namespace {

int ButtonBit(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}
int ButtonMask(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
int ShiftMask(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

// ---- Impl: user input -----------------------------------------------------------------------------

void QtHost::Impl::userClicked(QObject* widget) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    v->control->userClick();
}

void QtHost::Impl::userEdited(QObject* widget, const QString& text) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    v->control->setText(S(text));
}

void QtHost::Impl::userScrolled(QObject* widget, int widgetValue) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    c.setValue(host::ModelValueOfBar(c.min(), c.max(), widgetValue));
}

void QtHost::Impl::userStepped(QObject* widget, int direction) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    const int value = c.value();
    const int next = host::ArrowStep(c.min(), c.max(), c.smallChange(), value, direction);
    if (next != value) c.setValue(next);
}

void QtHost::Impl::userChose(QObject* widget, int index) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing || index < 0) return;
    forms::Control& c = *v->control;
    c.setListIndex(index);
    if (c.kind() == forms::Kind::DriveListBox || c.kind() == forms::Kind::DirListBox) {
        // The current drive or folder is the chosen entry; Change reports it.
        if (!viewOfWidget(widget) || index >= c.listCount()) return;
        const std::string entry = c.list(index);
        c.setText(entry);
        c.setPath(entry);
    }
}

void QtHost::Impl::userMouse(QObject* widget, QMouseEvent* e) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    const int shift = ShiftMask(e->modifiers());
    const float x = static_cast<float>(e->position().x() * kTwipsPerPixel);
    const float y = static_cast<float>(e->position().y() * kTwipsPerPixel);
    switch (e->type()) {
    case QEvent::MouseButtonPress:
        if (auto h = c.MouseDown) h(ButtonBit(e->button()), shift, x, y);
        break;
    case QEvent::MouseMove:
        if (auto h = c.MouseMove) h(ButtonMask(e->buttons()), shift, x, y);
        break;
    case QEvent::MouseButtonRelease:
        if (auto h = c.MouseUp) h(ButtonBit(e->button()), shift, x, y);
        if (e->button() == Qt::LeftButton && viewOfWidget(widget) &&
            static_cast<QWidget*>(widget)->rect().contains(e->position().toPoint()))
            c.userClick();
        break;
    case QEvent::MouseButtonDblClick:
        c.userDblClick();
        break;
    default:
        break;
    }
}

void QtHost::Impl::timerFired(QObject* timer) {
    ControlView* v = viewOfWidget(timer);
    if (!v) return;
    // The toolkit may keep running without its display; the program's own ticks notice it.
    if (displayBroken()) displayLost();
    const forms::Control* c = v->control;
    // A handler that lets events run (DoEvents, a menu, a modal box) must not be entered again.
    if (!firingTimers.insert(c).second) return;
    v->control->fireTimer();
    firingTimers.erase(c);
}

}  // namespace qthost
