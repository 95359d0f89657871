// Long work off the user-interface thread, and a new window brought onto the screen before it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QWindow>

#include <thread>

#include "host/qt/qt_host.h"
#include "host/qt/qt_host_impl.h"

namespace qthost {

void QtHost::RunAside(const std::function<void(std::stop_token)>& work) {
    std::stop_source stop;
    if (d->quitRequested) stop.request_stop();  // the program is ending: the work is to stop at once
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work(stop.get_token());
        } catch (...) {
            // The work reports nothing; a failing step is abandoned like any other.
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // The loop ends with the work, or when the program quits, which ends every running loop (and
    // any later one at once): then the work is asked to stop, and waited for. Asking finished work
    // to stop changes nothing.
    if (!d->quitRequested) loop.exec();
    stop.request_stop();
    worker.join();
}

void QtHost::PaintNow(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !fv->window->isVisible()) return;
    // The window manager maps a new window in its own time; wait for it, but not for ever.
    constexpr int kPatienceMs = 1000;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QWindow* handle = fv->window->windowHandle();
        if ((handle && handle->isExposed()) || d->quitRequested || waited.elapsed() >= kPatienceMs) break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        fv = d->viewOf(form);  // a handler that ran may have unloaded it
        if (!fv || !fv->window->isVisible()) return;
    }
    fv->window->repaint();
}

}  // namespace qthost
