// Termination signals (SIGTERM, SIGINT, SIGHUP) end the program within 2 s at every moment. Until
// the host's SignalWatcher is made they keep their default, which ends the program at once: there
// is nothing to save yet. From then on the handler only writes the signal's number into a pipe,
// which a guard thread reads. The guard asks the event loop to end the program in order, saving
// what changed; when the loop does not get there in time, because something holds it (a library
// that waits on a bus that never answers), the guard ends the process itself, since a held loop
// cannot be reached to save anything.
#pragma once

#include <QObject>

#include <functional>

namespace qthost {

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
