// Shared pieces of the Qt host tests: one offscreen QApplication for the whole run, a host per test,
// and real mouse input delivered to widgets.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "forms/forms.h"
#include "host/qt/qt_host.h"
#include "host/qt/qt_testing.h"

namespace qttest {

// A press and release of `button` at `pos` (widget pixels), as the window system would deliver them.
inline void Click(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local(pos), global(w->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}
inline void Click(QWidget* w) { Click(w, w->rect().center()); }

// A form of the model with a host that mirrors it.
class QtHostTest : public ::testing::Test {
protected:
    QtHostTest() : host(app, argc_, argv_) {}
    ~QtHostTest() override {
        for (forms::Form* f : std::vector<forms::Form*>(app.forms()))
            if (f->loaded()) f->Unload();
        // Quit marks every later event loop as finished until the application loop has run once;
        // running it also lets windows that were unloaded go. The host ends it: a loop that ends
        // otherwise counts as the session ending, whose Quit would then finish the next test's loops.
        QMetaObject::invokeMethod(qApp, [this] { host.Quit(0); }, Qt::QueuedConnection);
        QCoreApplication::exec();
    }

    QWidget* widget(const forms::Control& c) { return qthost::QtHostAccess::widget(host, c); }
    QWidget* window(const forms::Form& f) { return qthost::QtHostAccess::window(host, f); }

    forms::Application app;
    qthost::QtHost host;

private:
    static inline int argc_ = 1;
    static inline char arg0_[] = "tarnolux_qt_tests";
    static inline char* argv_[] = {arg0_, nullptr};
};

}  // namespace qttest
