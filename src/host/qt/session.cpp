// An orderly end: a termination signal, Qt ending the loop on the session manager's word, or the
// display going away lets the program save before it ends.
#include <QGuiApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if defined(TARNOLUX_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define TARNOLUX_WATCH_XCB 1
#endif

#include "host/qt/qt_host_impl.h"
#include "host/qt/unix_signals.h"

namespace qthost {

namespace {

std::atomic<QtHost::Impl*> watching{nullptr};
QtMessageHandler previousHandler = nullptr;

// When the X server goes, the toolkit reports it and ends the process before control comes back
// to the event loop. Its report is the last moment with everything intact to save the settings.
void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (previousHandler) previousHandler(type, context, message);
    else std::fprintf(stderr, "%s\n", qPrintable(message));
    QtHost::Impl* impl = watching;
    if (!impl || !qApp) return;
    // Every Xlib connection in the process reports through the toolkit's handler, which then ends
    // the process; one of another library's may break before the toolkit's own has noticed.
    const bool xlibEnds = message.startsWith(QLatin1String("The X11 connection broke"));
    if (!xlibEnds && !impl->displayBroken()) return;
    if (QThread::currentThread() == qApp->thread()) {
        if (!impl->displayGone) impl->displayLost();
        return;
    }
    // Another thread met the broken connection first, and the toolkit ends the process with a
    // failure once this returns: the settings are saved on the user-interface thread, which is
    // woken for it, and this thread waits for that end instead of cutting it short.
    QMetaObject::invokeMethod(
        qApp,
        [impl] {
            if (watching == impl && !impl->displayGone) impl->displayLost();
        },
        Qt::QueuedConnection);
    std::this_thread::sleep_for(std::chrono::seconds(10));
}

}  // namespace

void QtHost::Impl::watchSessionEnd() {
    signalWatcher = std::make_unique<SignalWatcher>([this] { endSession(); });
    // Qt ending the loop by itself (the session manager's "die") ends the program in order too.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &anchor, [this] {
        if (!quitRequested) endSession();
    });
#ifdef TARNOLUX_WATCH_XCB
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) xcb = x11->connection();
#endif
    if (xcb && !watching) {
        watching = this;
        previousHandler = qInstallMessageHandler(OnQtMessage);
    }
}

void QtHost::Impl::unwatchSessionEnd() {
    if (watching != this) return;
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
    watching = nullptr;
}

void QtHost::Impl::endSession() {
    if (sessionEnding) return;
    sessionEnding = true;
    if (host.EndSession) {
        auto handler = host.EndSession;
        handler();
    }
    host.Quit(0);
}

bool QtHost::Impl::displayBroken() const {
#ifdef TARNOLUX_WATCH_XCB
    return xcb && xcb_connection_has_error(xcb) != 0;
#else
    return false;
#endif
}

void QtHost::Impl::displayLost() {
    displayGone = true;
    // Ends as a signal would, without a display: the model stops driving widgets, and whatever
    // the program asks of the host meanwhile (a box, a menu, the tray) is answered without one.
    quitRequested = true;
    app.setObserver(nullptr);
    endSession();
    std::fflush(nullptr);
    // The event loop cannot be returned to: its next pass would end the process with a failure.
    // Nor is there anything left to tear down that the system does not reclaim; the toolkit's own
    // teardown would only talk to a display that is gone.
    std::_Exit(0);
}

}  // namespace qthost
