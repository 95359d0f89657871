// D-Bus for the tests: private buses, stand-ins for the desktop's services on them that record
// every call, and a socket that accepts connections and never answers, as a hung bus does. Nothing
// here reaches the session's or the system's own bus.
//
//   PrivateBus session(dir.path());                       // a dbus-daemon of its own
//   auto notices = testsupport::NotificationStub(session.address());
//   ... the program, with DBUS_SESSION_BUS_ADDRESS=session.address() ...
//   notices->WaitForCalls(1);                             // then notices->Calls()[0].args
#pragma once

#include <fcntl.h>
#include <gio/gio.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support.h"

extern char** environ;

namespace testsupport {

// A socket that accepts every connection (the kernel does, into its backlog) and never says a
// word, as a hung peer does. A `path` that begins with '@' is a name without a file.
class SilentSocket {
public:
    explicit SilentSocket(const std::string& path) : path_(path) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (path.front() == '@') a.sun_path[0] = '\0';
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), size) != 0 || ::listen(fd_, 128) != 0) path_.clear();
    }
    ~SilentSocket() { ::close(fd_); }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;
    bool ok() const { return !path_.empty(); }
    std::string address() const { return "unix:path=" + path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// An X display that accepts and never answers: Xlib tries display N's nameless socket first. The
// display's name (":N") is in `name`; none when every number was taken.
struct SilentDisplay {
    std::unique_ptr<SilentSocket> socket;
    std::string name;
    SilentDisplay() {
        for (int n = 900; n < 1000 && name.empty(); ++n) {
            socket = std::make_unique<SilentSocket>("@/tmp/.X11-unix/X" + std::to_string(n));
            if (socket->ok()) name = ":" + std::to_string(n);
        }
    }
};

// A dbus-daemon of its own, listening in `folder`; address() is empty when none could be started.
class PrivateBus {
public:
    explicit PrivateBus(const std::filesystem::path& folder, const std::string& name = "bus") {
        const std::string config = (folder / (name + ".conf")).string();
        WriteFile(config, "<busconfig><type>session</type><listen>unix:path=" + (folder / name).string() +
                              "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                              "<allow receive_sender=\"*\"/>"
                              "<allow own=\"*\"/></policy></busconfig>");
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addclose(&actions, fds[0]);
        ::posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string configArg = "--config-file=" + config;
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(configArg.c_str()),
                        const_cast<char*>("--nofork"), const_cast<char*>("--nopidfile"),
                        const_cast<char*>("--print-address=3"), nullptr};
        if (::posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ) != 0) pid_ = -1;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        // The daemon writes its address once it accepts connections.
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') address_ += c;
        ::close(fds[0]);
    }
    ~PrivateBus() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int st = 0;
        ::waitpid(pid_, &st, 0);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    const std::string& address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

// A service on a bus: it owns `name`, serves the one interface of `xml` at `path`, records every
// call and answers it as `answer` says when the call comes (with `reply`'s value, when given).
class StubService {
public:
    enum class Answer { Reply, Refuse, Never };
    struct Call {
        std::string method;
        std::string args;  // as GLib prints them: "(true,)"
        bool interactive;  // the caller allows the service to ask for a password
        bool operator==(const Call&) const = default;
    };

    StubService(const std::string& address, std::string name, std::string path, std::string xml,
                std::function<GVariant*(const Call&)> reply = {})
        : name_(std::move(name)), path_(std::move(path)), xml_(std::move(xml)), reply_(std::move(reply)) {
        std::promise<void> ready;
        thread_ = std::thread([&] {
            g_main_context_push_thread_default(context_);
            Start(address);
            ready.set_value();
            g_main_loop_run(loop_);
            g_main_context_pop_thread_default(context_);
        });
        ready.get_future().wait();
    }
    ~StubService() {
        g_main_context_invoke(context_, [](gpointer loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        }, loop_);
        thread_.join();
        for (GDBusMethodInvocation* held : held_)
            g_dbus_method_invocation_return_dbus_error(held, "org.freedesktop.DBus.Error.NoReply", "ended");
        if (conn_) {
            g_dbus_connection_unregister_object(conn_, object_);
            g_dbus_connection_close_sync(conn_, nullptr, nullptr);
            g_object_unref(conn_);
        }
        if (node_) g_dbus_node_info_unref(node_);
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }
    StubService(const StubService&) = delete;
    StubService& operator=(const StubService&) = delete;

    bool ok() const { return object_ != 0; }
    std::atomic<Answer> answer{Answer::Reply};

    std::vector<Call> Calls() const {
        const std::lock_guard lock(m_);
        return calls_;
    }
    bool WaitForCalls(std::size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
        return Eventually([&] { return Calls().size() >= n; }, limit);
    }
    // Gives up the name: the service is gone from the bus.
    void Leave() {
        if (GVariant* r = g_dbus_connection_call_sync(conn_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "ReleaseName",
                                                      g_variant_new("(s)", name_.c_str()), nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr))
            g_variant_unref(r);
    }

private:
    void Start(const std::string& address) {
        conn_ = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        node_ = g_dbus_node_info_new_for_xml(xml_.c_str(), nullptr);
        if (!conn_ || !node_) return;
        static const GDBusInterfaceVTable vtable{&StubService::OnCall, nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(conn_, path_.c_str(), node_->interfaces[0], &vtable, this,
                                                    nullptr, nullptr);
        if (GVariant* r = g_dbus_connection_call_sync(conn_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "RequestName",
                                                      g_variant_new("(su)", name_.c_str(), 4u /* no queueing */),
                                                      nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr))
            g_variant_unref(r);
    }

    static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto& self = *static_cast<StubService*>(data);
        gchar* args = g_variant_print(parameters, FALSE);
        const Call call{method, args,
                        (g_dbus_message_get_flags(g_dbus_method_invocation_get_message(invocation)) &
                         G_DBUS_MESSAGE_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION) != 0};
        g_free(args);
        {
            const std::lock_guard lock(self.m_);
            self.calls_.push_back(call);
        }
        switch (self.answer.load()) {
        case Answer::Reply:
            return g_dbus_method_invocation_return_value(invocation, self.reply_ ? self.reply_(call) : nullptr);
        case Answer::Refuse:
            return g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.AccessDenied",
                                                              "refused");
        case Answer::Never:
            self.held_.push_back(invocation);  // answered only as the stub ends
        }
    }

    std::string name_, path_, xml_;
    std::function<GVariant*(const Call&)> reply_;
    GMainContext* context_ = g_main_context_new();
    GMainLoop* loop_ = g_main_loop_new(context_, FALSE);
    GDBusConnection* conn_ = nullptr;
    GDBusNodeInfo* node_ = nullptr;
    guint object_ = 0;
    std::thread thread_;
    mutable std::mutex m_;
    std::vector<Call> calls_;
    std::vector<GDBusMethodInvocation*> held_;
};

inline std::unique_ptr<StubService> ScreenSaverStub(const std::string& address) {
    return std::make_unique<StubService>(
        address, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
        "<node><interface name='org.freedesktop.ScreenSaver'><method name='SetActive'><arg type='b'/></method>"
        "</interface></node>");
}

inline std::unique_ptr<StubService> LoginStub(const std::string& address) {
    return std::make_unique<StubService>(
        address, "org.freedesktop.login1", "/org/freedesktop/login1",
        "<node><interface name='org.freedesktop.login1.Manager'><method name='Reboot'><arg type='b'/></method>"
        "<method name='PowerOff'><arg type='b'/></method></interface></node>");
}

// Answers each Notify with the next id: 1, 2, 3...
inline std::unique_ptr<StubService> NotificationStub(const std::string& address) {
    auto ids = std::make_shared<std::atomic<guint32>>(0);
    return std::make_unique<StubService>(
        address, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "<node><interface name='org.freedesktop.Notifications'><method name='Notify'><arg type='s' direction='in'/>"
        "<arg type='u' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='as' direction='in'/><arg type='a{sv}' direction='in'/>"
        "<arg type='i' direction='in'/><arg type='u' direction='out'/></method></interface></node>",
        [ids](const StubService::Call&) { return g_variant_new("(u)", ++*ids); });
}

}  // namespace testsupport
