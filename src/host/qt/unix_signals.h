// Termination signals (SIGTERM, SIGINT, SIGHUP) turned into a call on the event loop, where the
// program can shut down in order; the handler itself only writes a byte into a pipe.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace qthost {

class SignalWatcher : public QObject {
public:
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher() override;
    bool active() const { return notifier_ != nullptr; }

private:
    void drain();
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace qthost
