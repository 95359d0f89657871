// A look inside the Qt host, for its tests: the widget that mirrors a control or a form.
#pragma once

#include <QLocalServer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "host/qt/qt_host.h"
#include "host/qt/qt_host_impl.h"

namespace qthost {

struct QtHostAccess {
    static QWidget* widget(QtHost& host, const forms::Control& c) {
        ControlView* v = host.d->viewOf(c);
        return v ? v->widget : nullptr;
    }
    static QTimer* timer(QtHost& host, const forms::Control& c) {
        ControlView* v = host.d->viewOf(c);
        return v ? v->timer : nullptr;
    }
    static QWidget* window(QtHost& host, const forms::Form& f) {
        FormView* v = host.d->viewOf(f);
        return v ? v->window : nullptr;
    }
    static int fontPx(QtHost& host, const forms::Form& f) {
        FormView* v = host.d->viewOf(f);
        return v ? v->fontPx : 0;
    }
    static QSystemTrayIcon* tray(QtHost& host) { return host.d->tray; }
    static QObject* laterStarts(QtHost& host) { return host.d->laterStarts; }
};

}  // namespace qthost
