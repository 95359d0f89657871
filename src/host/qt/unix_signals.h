// Termination signals (SIGTERM, SIGINT, SIGHUP) end the program within 2 s at every moment. The
// handler only writes the signal's number into a pipe, which a guard thread reads. While a
// SignalWatcher lives, the guard asks the event loop to end the program in order, saving what
// changed. When the loop does not get there in time, because something holds it (a library that
// waits on a bus that never answers), or before there is a loop at all, the guard ends the process
// itself: at start-up nothing has changed yet, and a held loop cannot be reached to save anything.
#pragma once

#include <QObject>

#include <functional>

namespace qthost {

// Installs the handlers and the guard, once per process; called before the toolkit starts.
void GuardTermination();

// The orderly end has run (the settings are saved): a signal during the teardown that follows,
// or a teardown held past the limit, ends the process with `status`.
void EndedInOrder(int status);

// While it lives, a termination signal calls `onSignal` on this object's thread.
class SignalWatcher : public QObject {
public:
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher() override;

private:
    std::function<void()> onSignal_;
};

}  // namespace qthost
