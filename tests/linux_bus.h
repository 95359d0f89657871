// Private D-Bus buses for the tests and stand-ins for desktop services that record each call; never the real buses.
#pragma once

#include <gio/gio.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "linux_options.h"

namespace testsupport {

// A dbus-daemon on `folder`/`name` (address() empty when none started), the same address when restarted.
class PrivateBus {
public:
    explicit PrivateBus(const std::filesystem::path& folder, const std::string& name = "bus") {
        const std::string socket = (folder / name).string();
        WriteFile(socket + ".conf", "<busconfig><type>session</type><listen>unix:path=" + socket + "</listen><auth>"
                                    "EXTERNAL</auth><policy context='default'><allow send_destination='*'/><allow "
                                    "receive_sender='*'/><allow own='*'/></policy></busconfig>");
        // It tells its address once it accepts connections.
        daemon_ = std::make_unique<Process>("dbus-daemon --nofork --nopidfile --print-address=1 --config-file=" +
                                            socket + ".conf");
        if (!daemon_->Line().empty()) address_ = "unix:path=" + socket;
    }
    const std::string& address() const { return address_; }

private:
    std::unique_ptr<Process> daemon_;
    std::string address_;
};

// Owns `name` and serves the interface of `xml` at `path` on a thread of its own, until destroyed.
class StubService {
public:
    enum class Answer { Reply, Refuse, Never };
    struct Call {
        std::string method;
        std::string args;  // as GLib prints them: "(true,)"
        bool interactive;  // the caller lets the service ask for a password
        bool operator==(const Call&) const = default;
    };

    StubService(const std::string& address, const std::string& name, const std::string& path, const std::string& xml,
                std::function<GVariant*()> reply = {})
        : reply_(std::move(reply)) {
        // The object's calls come to the context that is the thread's default as it is registered.
        g_main_context_push_thread_default(context_);
        conn_ = g_dbus_connection_new_for_address_sync(address.c_str(), GDBusConnectionFlags(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        node_ = g_dbus_node_info_new_for_xml(xml.c_str(), nullptr);
        static const GDBusInterfaceVTable vtable{&StubService::OnCall, nullptr, nullptr, {}};
        if (conn_ && node_) {
            g_dbus_connection_register_object(conn_, path.c_str(), node_->interfaces[0], &vtable, this, nullptr,
                                              nullptr);
            g_variant_unref(g_dbus_connection_call_sync(
                conn_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                g_variant_new("(su)", name.c_str(), 0u), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
        }
        g_main_context_pop_thread_default(context_);
        thread_ = std::thread([this] {
            while (!ending_) g_main_context_iteration(context_, TRUE);
        });
    }
    ~StubService() {
        ending_ = true;
        g_main_context_wakeup(context_);
        thread_.join();
        for (GDBusMethodInvocation* held : held_)
            g_dbus_method_invocation_return_dbus_error(held, "org.freedesktop.DBus.Error.NoReply", "ended");
        if (conn_) g_dbus_connection_close_sync(conn_, nullptr, nullptr);
        g_clear_object(&conn_);
        if (node_) g_dbus_node_info_unref(node_);
        g_main_context_unref(context_);
    }

    std::atomic<Answer> answer{Answer::Reply};

    std::vector<Call> Calls() const {
        const std::lock_guard lock(m_);
        return calls_;
    }
    bool WaitForCalls(std::size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
        return Eventually([&] { return Calls().size() >= n; }, limit);
    }

private:
    static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto& self = *static_cast<StubService*>(data);
        gchar* args = g_variant_print(parameters, FALSE);
        const auto flags = g_dbus_message_get_flags(g_dbus_method_invocation_get_message(invocation));
        {
            const std::lock_guard lock(self.m_);
            self.calls_.push_back({method, args, (flags & G_DBUS_MESSAGE_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION) != 0});
        }
        g_free(args);
        switch (self.answer.load()) {
        case Answer::Reply:
            return g_dbus_method_invocation_return_value(invocation, self.reply_ ? self.reply_() : nullptr);
        case Answer::Refuse:
            return g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.AccessDenied",
                                                              "no");
        case Answer::Never:
            self.held_.push_back(invocation);  // answered as the stub ends
        }
    }

    std::function<GVariant*()> reply_;
    GMainContext* context_ = g_main_context_new();
    std::atomic<bool> ending_{false};
    GDBusConnection* conn_ = nullptr;
    GDBusNodeInfo* node_ = nullptr;
    std::thread thread_;
    mutable std::mutex m_;
    std::vector<Call> calls_;
    std::vector<GDBusMethodInvocation*> held_;
};

inline std::unique_ptr<StubService> ScreenSaverStub(const std::string& address) {
    return std::make_unique<StubService>(address, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                         "<node><interface name='org.freedesktop.ScreenSaver'>"
                                         "<method name='SetActive'><arg type='b'/></method></interface></node>");
}

inline std::unique_ptr<StubService> LoginStub(const std::string& address) {
    return std::make_unique<StubService>(address, "org.freedesktop.login1", "/org/freedesktop/login1",
                                         "<node><interface name='org.freedesktop.login1.Manager'>"
                                         "<method name='Reboot'><arg type='b'/></method>"
                                         "<method name='PowerOff'><arg type='b'/></method></interface></node>");
}

// Answers each Notify with the next id: 1, 2, 3...
inline std::unique_ptr<StubService> NotificationStub(const std::string& address) {
    return std::make_unique<StubService>(
        address, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "<node><interface name='org.freedesktop.Notifications'><method name='Notify'><arg type='s'/><arg type='u'/>"
        "<arg type='s'/><arg type='s'/><arg type='s'/><arg type='as'/><arg type='a{sv}'/><arg type='i'/>"
        "<arg type='u' direction='out'/></method></interface></node>",
        [ids = std::make_shared<std::atomic<guint32>>(0)] { return g_variant_new("(u)", ++*ids); });
}

}  // namespace testsupport
