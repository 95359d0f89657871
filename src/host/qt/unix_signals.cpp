#include "host/qt/unix_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

namespace qthost {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// From the signal to the end of the process at the latest; the orderly end takes a small part.
constexpr std::chrono::milliseconds kLimit{1500};

int g_pipe[2] = {-1, -1};
std::mutex g_mutex;
// Never destroyed: the guard may read it while the process ends.
std::function<void()>& g_orderly = *new std::function<void()>;  // while a watcher lives
const SignalWatcher* g_watcher = nullptr;
std::atomic<int> g_endedWith{-1};  // the orderly end's status, once it has run

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // Nothing useful can be done about a full pipe: one pending byte is enough.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Nothing here may wait for a lock the held thread could own (stdio's included).
[[noreturn]] void EndNow(int signal) {
    if (const int status = g_endedWith.load(); status >= 0) std::_Exit(status);
    // As though the signal had not been caught, so that whoever sent it sees what ended the program.
    ::signal(signal, SIG_DFL);
    ::kill(::getpid(), signal);
    std::_Exit(128 + signal);
}

void Guard() {
    int inHand = 0;  // the first signal; later ones change nothing
    Clock::time_point deadline;
    for (;;) {
        int timeout = -1;
        if (inHand)
            timeout = static_cast<int>(
                std::max<Clock::rep>(0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
        pollfd p{g_pipe[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, timeout);
        if (ready == 0) EndNow(inHand);
        if (ready < 0) continue;  // interrupted
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
            if (inHand) continue;
            inHand = byte;
            deadline = Clock::now() + kLimit;
            const std::lock_guard lock(g_mutex);
            if (g_orderly) g_orderly();
            else if (g_endedWith.load() < 0) EndNow(inHand);  // the host has gone without ending in order
        }
    }
}

// Installs the handlers and the guard, once per process.
void GuardTermination() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        try {
            std::thread(Guard).detach();
        } catch (const std::system_error&) {
            return;  // the signals keep their default: they end the program at once
        }
        struct sigaction sa {};
        sa.sa_handler = OnTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int signal : kSignals) ::sigaction(signal, &sa, nullptr);
        // A write to a peer that has gone (the X server above all) fails with EPIPE instead of ending
        // the program before it saves. Caught, not ignored: programs it starts get the default back.
        sa.sa_handler = [](int) {};
        ::sigaction(SIGPIPE, &sa, nullptr);
    });
}

}  // namespace

void EndedInOrder(int status) { g_endedWith = status; }

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    GuardTermination();
    g_endedWith = -1;
    const std::lock_guard lock(g_mutex);
    g_watcher = this;
    // Called on the guard thread: the call is posted to this object's thread.
    g_orderly = [this] { QMetaObject::invokeMethod(this, [this] { onSignal_(); }, Qt::QueuedConnection); };
}

SignalWatcher::~SignalWatcher() {
    const std::lock_guard lock(g_mutex);
    if (g_watcher != this) return;
    g_watcher = nullptr;
    g_orderly = nullptr;
}

}  // namespace qthost
