// An orderly end: a termination signal, or Qt ending the loop on the session manager's word,
// lets the program save before the loop ends.
#include "host/qt/qt_host_impl.h"
#include "host/qt/unix_signals.h"

namespace qthost {

void QtHost::Impl::watchSessionEnd() {
    signalWatcher = std::make_unique<SignalWatcher>([this] { endSession(); });
    // Qt ending the loop by itself (the session manager's "die") ends the program in order too.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &anchor, [this] {
        if (!quitRequested) endSession();
    });
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

}  // namespace qthost
