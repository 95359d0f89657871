// The form windows: what the window manager and the user do to them, what the model asks of them
// (placement, flags, showing and hiding, modality), dragging a window without a caption, and focus.
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "host/qt/controls.h"
#include "host/qt/look.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"

namespace qthost {

// ---- FormWindow -----------------------------------------------------------------------------------

void FormWindow::closeEvent(QCloseEvent* e) {
    // The model decides: it unloads the form, which takes the window away.
    e->ignore();
    if (onClose) onClose();
}

void FormWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange) {
        if (isActiveWindow() && onActivated) onActivated();
    } else if (e->type() == QEvent::WindowStateChange) {
        const auto* se = static_cast<QWindowStateChangeEvent*>(e);
        if ((se->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized) && onRestored) onRestored();
    }
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (e->spontaneous() && onMoved) onMoved();
}

// ---- Impl: forms ----------------------------------------------------------------------------------

void QtHost::Impl::formLoaded(forms::Form& form) {
    if (viewOf(form)) return;
    auto owned = std::make_unique<FormView>();
    FormView& fv = *owned;
    views[&form] = std::move(owned);
    fv.form = &form;
    fv.fontPx = FitFontPx(form);
    fv.window = new FormWindow;
    forms::Form* f = &form;
    fv.window->onClose = [this, f] {
        if (viewOf(*f)) f->Unload(0);
    };
    fv.window->onActivated = [this, f] {
        FormView* cur = viewOf(*f);
        if (!cur) return;
        if (cur->skipActivation) {
            cur->skipActivation = false;
            return;
        }
        f->activate();
    };
    fv.window->onRestored = [this, f] {
        // Brought back from the taskbar while the program had it hidden.
        FormView* cur = viewOf(*f);
        if (!cur || f->visible()) return;
        cur->minimisedForTray = false;
        f->Show();
    };
    fv.window->onMoved = [this, f] {
        FormView* cur = viewOf(*f);
        if (!cur || cur->window->isMinimized()) return;
        const QPoint p = cur->window->pos();
        f->move(Twips(p.x()), Twips(p.y()));
    };
    applyWindowFlags(fv);
    if (form.borderStyle() == 0) fv.edge = new WindowEdge(fv.window);
    for (forms::Prop p : {forms::Prop::Geometry, forms::Prop::Caption, forms::Prop::Icon, forms::Prop::Colors, forms::Prop::Enabled})
        formChanged(form, p);
    for (const auto& c : form.controls()) build(fv, *c);
    for (const auto& c : form.controls())
        if (ControlView* v = viewOf(*c)) restack(*v, true);
    // An outline without a fill frames a region: whatever lies inside it is drawn over it.
    for (auto it = form.controls().rbegin(); it != form.controls().rend(); ++it) {
        const forms::Control& c = **it;
        if (c.kind() == forms::Kind::Shape && c.backStyle() == 0 && c.fillStyle() == 1)
            if (ControlView* v = viewOf(c)) v->widget->lower();
    }
    if (fv.edge) fv.edge->raise();
}

void QtHost::Impl::formUnloaded(forms::Form& form) {
    dropView(form);
    if (!app.anyLoaded()) host.Quit(0);
}

void QtHost::Impl::formDestroyed(forms::Form& form) {
    dropView(form);
    if (trayOwner == &form) trayOwner = nullptr;
}

void QtHost::Impl::dropView(const forms::Form& form) {
    if (FormView* fv = viewOf(form)) {
        if (fv->modalLoop) fv->modalLoop->quit();
        for (auto& [c, v] : fv->controls) {
            if (v.timer) {
                v.timer->stop();
                byWidget.erase(v.timer);
            }
            if (v.widget) {
                byWidget.erase(v.widget);
                if (auto* mv = dynamic_cast<ModelView*>(v.widget)) mv->detach();
            }
        }
        if (drag.form == &form) {
            drag.form = nullptr;
            qApp->removeEventFilter(dragFilter.get());
        }
        // Later: this may run inside one of the window's own event handlers.
        fv->window->hide();
        fv->window->deleteLater();
        std::erase_if(dyingWindows, [](const QPointer<QWidget>& w) { return w.isNull(); });
        dyingWindows.emplace_back(fv->window);
        views.erase(&form);
    }
}

void QtHost::Impl::formChanged(forms::Form& form, forms::Prop prop) {
    FormView* fv = viewOf(form);
    if (!fv) return;
    FormWindow* w = fv->window;
    switch (prop) {
    case forms::Prop::Geometry:
        w->setFixedSize(std::max(1, Px(form.width())), std::max(1, Px(form.height())));
        w->move(Px(form.left()), Px(form.top()));
        break;
    case forms::Prop::Caption:
        w->setWindowTitle(Q(form.caption()));
        break;
    case forms::Prop::Visible:
        if (form.visible()) showWindow(*fv);
        else hideWindow(*fv);
        break;
    case forms::Prop::Enabled:
        w->setEnabled(form.enabled());
        break;
    case forms::Prop::Icon:
        w->setWindowIcon(form.icon().empty() ? ResourceIcon(1) : PictureIcon(form.icon()));
        break;
    case forms::Prop::Colors:
        syncWindowColors(*fv);
        break;
    case forms::Prop::Style:
        applyWindowFlags(*fv);
        break;
    default:
        break;
    }
}

void QtHost::Impl::applyWindowFlags(FormView& fv) {
    const forms::Form& f = *fv.form;
    const bool taskbar = f.showInTaskbar() || (ownsTray(f) && !trayAvailable());
    Qt::WindowFlags flags = taskbar ? Qt::Window : Qt::Tool;
    if (f.borderStyle() == 0) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (f.borderStyle() != 3) flags |= Qt::WindowMinimizeButtonHint;
    }
    if (fv.window->windowFlags() == flags) return;
    const bool shown = fv.window->isVisible();
    fv.window->setWindowFlags(flags);
    if (shown) fv.window->show();
}

void QtHost::Impl::syncWindowColors(FormView& fv) {
    const QColor back = ToQColor(fv.form->backColor());
    QPalette pal = fv.window->palette();
    pal.setColor(QPalette::Window, back);
    fv.window->setPalette(pal);
    fv.window->setAutoFillBackground(true);
    if (fv.edge) fv.edge->setColor(back.lightness() > 128 ? back.darker(165) : back.darker(210));
}

void QtHost::Impl::showWindow(FormView& fv) {
    FormWindow* w = fv.window;
    if (!fv.placed) {
        fv.placed = true;
        if (fv.form->startUpPosition() == 2) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                fv.form->move(Twips(area.x() + (area.width() - w->width()) / 2),
                              Twips(area.y() + (area.height() - w->height()) / 2));
            }
        }
    }
    fv.minimisedForTray = false;
    fv.skipActivation = true;  // Form::Show runs Form_Activate itself
    if (w->isMinimized()) w->showNormal();
    else w->show();
}

void QtHost::Impl::hideWindow(FormView& fv) {
    if (fv.modalLoop) fv.modalLoop->quit();
    fv.skipActivation = false;
    if (ownsTray(*fv.form) && !trayAvailable()) {
        // Hidden, the window could only come back through the tray: keep it on the taskbar.
        applyWindowFlags(fv);
        fv.minimisedForTray = true;
        fv.window->showMinimized();
        return;
    }
    fv.window->hide();
}

void QtHost::Impl::runModal(forms::Form& form) {
    FormView* fv = viewOf(form);
    if (quitRequested || !fv || !form.visible()) return;
    QWidget* w = fv->window;
    if (w->windowModality() != Qt::ApplicationModal) {
        w->hide();
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
    }
    QEventLoop loop;
    fv->modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (FormView* again = viewOf(form)) {
        if (again->modalLoop == &loop) again->modalLoop = nullptr;
        if (!again->window->isVisible()) again->window->setWindowModality(Qt::NonModal);
    }
}

// Follows the pointer while a window without a window manager's help is dragged.
bool QtHost::Impl::dragEvent(QEvent* e) {
    if (!drag.form) return false;
    if (e->type() == QEvent::MouseButtonRelease) {
        drag.form = nullptr;
        qApp->removeEventFilter(dragFilter.get());
        return false;
    }
    if (e->type() != QEvent::MouseMove) return false;
    const auto* me = static_cast<QMouseEvent*>(e);
    if (!(me->buttons() & Qt::LeftButton) || !viewOf(*drag.form)) {
        drag.form = nullptr;
        qApp->removeEventFilter(dragFilter.get());
        return false;
    }
    const QPoint p = me->globalPosition().toPoint() - drag.offset;
    drag.form->move(Twips(p.x()), Twips(p.y()));
    return true;
}

int QtHost::ScreenWidth() {
    QScreen* s = QGuiApplication::primaryScreen();
    return Twips(s ? s->geometry().width() : 1024);
}
int QtHost::ScreenHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    return Twips(s ? s->geometry().height() : 768);
}
std::vector<host::ScreenRect> QtHost::Screens() {
    std::vector<host::ScreenRect> rects;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        rects.push_back({Twips(g.x()), Twips(g.y()), Twips(g.width()), Twips(g.height())});
    }
    if (rects.empty()) return host::Host::Screens();
    return rects;
}
int QtHost::TwipsPerPixelX() { return kTwipsPerPixel; }
int QtHost::TwipsPerPixelY() { return kTwipsPerPixel; }

void QtHost::BeginWindowDrag(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || d->displayGone || !fv->window->isVisible() || d->drag.form) return;
    if (QWindow* handle = fv->window->windowHandle(); handle && handle->startSystemMove()) return;
    // No window manager to hand the move to: follow the pointer until the button goes up.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
    // The point of the window under the pointer stays under it.
    d->drag.form = &form;
    d->drag.offset = QCursor::pos() - fv->window->pos();
    qApp->installEventFilter(d->dragFilter.get());
}

void QtHost::SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    FormView* fv = d->viewOf(form);
    if (!fv || d->displayGone) return;
    FormWindow* w = fv->window;
    w->setFixedSize(std::max(1, cx), std::max(1, cy));
    w->move(x, y);
    if ((flags & host::SWP_SHOWWINDOW) && !w->isVisible()) {
        w->setAttribute(Qt::WA_ShowWithoutActivating, (flags & host::SWP_NOACTIVATE) != 0);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    // Above everything once; nothing keeps it there, so "not topmost" needs no undoing.
    if (insertAfter == host::HWND_TOPMOST) w->raise();
}

bool QtHost::SetFocus(forms::Control& control) {
    const forms::Form& form = control.form();
    FormView* fv = d->viewOf(form);
    ControlView* v = d->viewOf(control);
    if (!fv || !v || !v->widget || d->displayGone || !form.visible() || !fv->window->isVisible() || fv->window->isMinimized()) return false;
    if (!control.visible() || !control.enabled() || !v->widget->isEnabled()) return false;
    // A box placed wholly outside its window only keeps the keys from the visible controls; its
    // caret would blink twice a second where nobody can see it. The window holds the focus instead.
    const QRect onWindow(v->widget->mapTo(fv->window, QPoint(0, 0)), v->widget->size());
    if (!onWindow.intersects(fv->window->rect())) {
        fv->window->setFocus(Qt::OtherFocusReason);
        return true;
    }
    v->widget->setFocus(Qt::OtherFocusReason);
    return true;
}

}  // namespace qthost
