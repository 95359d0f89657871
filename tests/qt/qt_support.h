// Shared pieces of the Qt host tests: a host per test and real mouse input delivered to widgets.
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

inline forms::Control& At(forms::Control& c, int left, int top, int width, int height) {
    c.move(left, top, width, height);
    return c;
}

// The test program's arguments, as a host or QApplication takes them.
struct Args {
    static inline int argc = 1;
    static inline char arg0[] = "tarnolux_qt_tests";
    static inline char* argv[] = {arg0, nullptr};
};

// Unloads what is left, and runs the application loop once: until then Quit finishes every later loop,
// and a loop the host does not end counts as the session ending, which would finish the next test's loops.
inline void EndTest(forms::Application& app, qthost::QtHost& host) {
    for (forms::Form* f : std::vector<forms::Form*>(app.forms()))
        if (f->loaded()) f->Unload();
    QMetaObject::invokeMethod(qApp, [&host] { host.Quit(0); }, Qt::QueuedConnection);
    QCoreApplication::exec();
}

// A form of the model with a host that mirrors it.
class QtHostTest : public ::testing::Test {
protected:
    QtHostTest() : host(app, Args::argc, Args::argv) {}
    ~QtHostTest() override { EndTest(app, host); }

    QWidget* widget(const forms::Control& c) { return qthost::QtHostAccess::widget(host, c); }
    QWidget* window(const forms::Form& f) { return qthost::QtHostAccess::window(host, f); }

    forms::Application app;
    qthost::QtHost host;
};

}  // namespace qttest
