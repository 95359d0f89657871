#include "platform/linux/desktop_bus.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/worker.h"

namespace platform::linux_impl {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Without Stop, what was sent gets this long to go out as the bus ends.
constexpr milliseconds kPatience{500};
// Cancelled work reports back at once; this is how long its reports are collected after the end.
constexpr milliseconds kGrace{100};
// Notices waiting while one is on its way; beyond these the oldest gives way.
constexpr std::size_t kWaitingNotices = 16;

bool IsSocket(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// `address`, unless it names only a socket file that is not there: then surely nobody listens.
std::string Reachable(std::string address) {
    static const std::string kPath = "unix:path=";
    if (address.rfind(kPath, 0) == 0 && address.find(';') == std::string::npos &&
        !IsSocket(address.substr(kPath.size(), address.find(',') - kPath.size())))
        return {};
    return address;
}

std::string SessionAddress() {
    if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) return a;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run == '/') return "unix:path=" + std::string(run) + "/bus";
    return {};
}

std::string SystemAddress() {
    if (const char* a = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"); a && *a) return a;
    return "unix:path=/run/dbus/system_bus_socket";
}

int Ms(milliseconds d) { return static_cast<int>(std::clamp<milliseconds::rep>(d.count(), 1, G_MAXINT)); }

// Texts on the bus must be UTF-8; a stray byte would make GLib refuse the whole message.
std::string Utf8(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string out(valid);
    g_free(valid);
    return out;
}

using Args = std::shared_ptr<GVariant>;
Args Own(GVariant* value) { return Args(g_variant_ref_sink(value), g_variant_unref); }

void DropSource(GSource*& source) {
    if (!source) return;
    g_source_destroy(source);
    g_source_unref(source);
    source = nullptr;
}

struct Notice {
    std::string summary, body;
};

}  // namespace

struct DesktopBus::Impl {
    // One bus. Like everything below, touched only on the bus thread (or, once it has ended, by Stop).
    struct Link {
        Impl* impl = nullptr;
        std::string address;
        GDBusConnection* conn = nullptr;
        GCancellable* connecting = nullptr;  // while the connection is set up
        GDBusConnection* greeting = nullptr;  // connected, its greeting not yet answered
        GSource* timer = nullptr;            // ends a setup that takes too long
        Clock::time_point started;
        bool late = false;  // a setup outlived its limit: requests fail at once until it ends
        std::vector<std::function<void(GDBusConnection*)>> waiting;
        bool SettingUp() const { return connecting || greeting; }
    };
    struct Reply {
        Impl* impl;
        std::function<void(GVariant*)> done;
    };

    milliseconds limit;
    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    GCancellable* calls = g_cancellable_new();  // cancels every call when the bus ends
    std::thread thread;
    Link session, system;
    std::atomic<bool> screenSaver{false}, login{false};
    bool askingSession = false, askingSystem = false;
    std::deque<Notice> notices;
    bool noticeOnItsWay = false;
    guint32 lastNotice = 0;
    std::shared_ptr<Pending<std::string>> iconLookup;
    std::optional<std::string> icon;
    Clock::time_point iconAsked;
    int outstanding = 0;  // reports GIO still owes
    int flushing = 0;
    bool stopping = false, stopped = false;
    GSource* stopTimer = nullptr;

    Impl() {
        session.impl = system.impl = this;
    }
    ~Impl() {
        // What a setup that outlived the end still holds; the rest went as the bus thread ended.
        for (Link* link : {&session, &system}) {
            g_clear_object(&link->greeting);
            g_clear_object(&link->connecting);
        }
        g_object_unref(calls);
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    // Runs `fn` on the bus thread; dropped unrun when the bus has ended.
    void Post(std::function<void()> fn) {
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(fn)), [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    GSource* Timer(milliseconds after, GSourceFunc fn, gpointer data) {
        GSource* source = g_timeout_source_new(static_cast<guint>(Ms(after)));
        g_source_set_callback(source, fn, data, nullptr);
        g_source_attach(source, context);
        return source;
    }

    static void Fail(Link& link) {
        auto waiting = std::move(link.waiting);
        for (auto& then : waiting) then(nullptr);
    }

    // Hands `then` the bus's connection, made first when there is none; null when none can be had
    // within the limit.
    void With(Link& link, std::function<void(GDBusConnection*)> then) {
        if (link.conn && g_dbus_connection_is_closed(link.conn)) g_clear_object(&link.conn);
        if (link.conn) return then(link.conn);
        if (link.address.empty() || stopping || link.late) return then(nullptr);
        link.waiting.push_back(std::move(then));
        if (link.SettingUp()) return;
        link.connecting = g_cancellable_new();
        link.started = Clock::now();
        ++outstanding;
        // Without the message-bus flag: GIO's own greeting waits 25 s and cannot be cancelled.
        g_dbus_connection_new_for_address(link.address.c_str(), G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT,
                                          nullptr, link.connecting, OnConnected, &link);
        link.timer = Timer(limit, OnSetupTooLong, &link);
    }

    static gboolean OnSetupTooLong(gpointer data) {
        Link& link = *static_cast<Link*>(data);
        g_source_unref(link.timer);
        link.timer = nullptr;
        g_cancellable_cancel(link.connecting);
        link.late = true;
        Fail(link);
        return G_SOURCE_REMOVE;
    }

    static void OnConnected(GObject*, GAsyncResult* result, gpointer data) {
        Link& link = *static_cast<Link*>(data);
        Impl& d = *link.impl;
        --d.outstanding;
        GDBusConnection* conn = g_dbus_connection_new_for_address_finish(result, nullptr);
        DropSource(link.timer);
        g_clear_object(&link.connecting);
        if (!conn || d.stopping) {
            g_clear_object(&conn);  // its last reference: that closes it
            link.late = false;
            Fail(link);
            return;
        }
        link.greeting = conn;
        // A message bus wants this greeting first; it gets what is left of the limit.
        const milliseconds left = link.late ? d.limit
                                            : d.limit - std::chrono::duration_cast<milliseconds>(Clock::now() - link.started);
        ++d.outstanding;
        g_dbus_connection_call(conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello",
                               nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, Ms(left), d.calls, OnGreeted,
                               &link);
    }

    static void OnGreeted(GObject* source, GAsyncResult* result, gpointer data) {
        Link& link = *static_cast<Link*>(data);
        Impl& d = *link.impl;
        --d.outstanding;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
        GDBusConnection* conn = link.greeting;
        link.greeting = nullptr;
        link.late = false;
        if (!reply || d.stopping) {
            g_object_unref(conn);
            if (reply) g_variant_unref(reply);
            Fail(link);
            return;
        }
        g_variant_unref(reply);
        link.conn = conn;
        auto waiting = std::move(link.waiting);
        for (auto& then : waiting) then(link.conn);
    }

    // A method call within the limit; `done` (when given) gets the reply, or null when none came.
    void Call(Link& link, const char* name, const char* path, const char* iface, const char* method, Args args,
              const GVariantType* replyType, GDBusCallFlags flags, std::function<void(GVariant*)> done) {
        With(link, [=, this](GDBusConnection* conn) {
            if (!conn) {
                if (done) done(nullptr);
                return;
            }
            ++outstanding;
            g_dbus_connection_call(conn, name, path, iface, method, args.get(), replyType, flags, Ms(limit), calls,
                                   OnReply, new Reply{this, done});
        });
    }

    static void OnReply(GObject* source, GAsyncResult* result, gpointer data) {
        const std::unique_ptr<Reply> r(static_cast<Reply*>(data));
        --r->impl->outstanding;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
        if (r->done) r->done(reply);
        if (reply) g_variant_unref(reply);
    }

    bool Request(Link& link, const char* name, const char* path, const char* iface, const char* method,
                 GVariant* args, GDBusCallFlags flags) {
        Args owned = Own(args);
        if (link.address.empty() || !thread.joinable()) return false;
        Post([this, &link, name, path, iface, method, owned, flags] {
            Call(link, name, path, iface, method, owned, nullptr, flags, {});
        });
        return true;
    }

    void Ask(Link& link, const char* name, std::atomic<bool>& present, bool& asking) {
        if (asking) return;
        asking = true;
        Call(link, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
             Own(g_variant_new("(s)", name)), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE,
             [&present, &asking](GVariant* reply) {
                 gboolean has = FALSE;
                 if (reply) g_variant_get(reply, "(b)", &has);
                 present = has != FALSE;
                 asking = false;
             });
    }

    // One notice at a time, so that each carries the id the server gave the one before.
    void SendNextNotice() {
        if (noticeOnItsWay || notices.empty()) return;
        if (!icon) {
            icon = iconLookup ? iconLookup->WaitUntil(Clock::now()) : std::string();
            if (!icon && Clock::now() - iconAsked < limit && !stopping) {
                g_source_unref(Timer(milliseconds(10),
                                     [](gpointer data) -> gboolean {
                                         static_cast<Impl*>(data)->SendNextNotice();
                                         return G_SOURCE_REMOVE;
                                     },
                                     this));
                return;
            }
            if (!icon) icon = std::string();  // the notices go out without one rather than not at all
        }
        const Notice n = std::move(notices.front());
        notices.pop_front();
        noticeOnItsWay = true;
        GVariant* noActions = g_variant_new_array(G_VARIANT_TYPE_STRING, nullptr, 0);
        GVariant* noHints = g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0);
        Call(session, "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
             "Notify",
             Own(g_variant_new("(susss@as@a{sv}i)", "Tarnolux", lastNotice, icon->c_str(), n.summary.c_str(),
                               n.body.c_str(), noActions, noHints, -1)),
             G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, [this](GVariant* reply) {
                 if (reply) g_variant_get(reply, "(u)", &lastNotice);
                 noticeOnItsWay = false;
                 SendNextNotice();
             });
    }

    void BeginStop(Clock::time_point deadline) {
        stopping = true;
        for (Link* link : {&session, &system}) {
            if (!link->conn) continue;
            ++flushing;
            ++outstanding;
            g_dbus_connection_flush(link->conn, nullptr, OnFlushed, this);
        }
        if (flushing == 0) return EndStop();
        stopTimer = Timer(std::chrono::duration_cast<milliseconds>(deadline - Clock::now()),
                          [](gpointer data) -> gboolean {
                              auto& d = *static_cast<Impl*>(data);
                              g_source_unref(d.stopTimer);
                              d.stopTimer = nullptr;
                              d.EndStop();
                              return G_SOURCE_REMOVE;
                          },
                          this);
    }

    static void OnFlushed(GObject* source, GAsyncResult* result, gpointer data) {
        Impl& d = *static_cast<Impl*>(data);
        --d.outstanding;
        g_dbus_connection_flush_finish(G_DBUS_CONNECTION(source), result, nullptr);
        if (--d.flushing == 0) d.EndStop();
    }

    void EndStop() {
        if (stopped) return;
        stopped = true;
        DropSource(stopTimer);
        g_cancellable_cancel(calls);
        for (Link* link : {&session, &system}) {
            if (link->connecting) g_cancellable_cancel(link->connecting);
            DropSource(link->timer);
            Fail(*link);
            g_clear_object(&link->conn);
        }
        g_main_loop_quit(loop);
    }
};

DesktopBus::DesktopBus(std::string sessionAddress, std::string systemAddress, std::chrono::milliseconds limit,
                       std::function<std::string()> icon)
    : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.limit = limit;
    d.iconLookup = StartAside<std::string>(std::move(icon));
    d.iconAsked = Clock::now();
    d.session.address = Reachable(sessionAddress.empty() ? SessionAddress() : std::move(sessionAddress));
    d.system.address = Reachable(systemAddress.empty() ? SystemAddress() : std::move(systemAddress));
    try {
        d.thread = std::thread([&d] {
            g_main_context_push_thread_default(d.context);
            g_main_loop_run(d.loop);
            g_main_context_pop_thread_default(d.context);
        });
    } catch (const std::system_error&) {
        // No thread: every request reports that it cannot be made.
    }
}

DesktopBus::~DesktopBus() { Stop(Clock::now() + kPatience); }

void DesktopBus::Stop(std::chrono::steady_clock::time_point deadline) {
    Impl& d = *impl_;
    if (!d.thread.joinable()) return;
    d.Post([&d, deadline] { d.BeginStop(deadline); });
    d.thread.join();
    // The reports of what was cancelled as the loop ended: each holds something of ours.
    const auto until = std::max(deadline, Clock::now()) + kGrace;
    do {
        while (g_main_context_iteration(d.context, FALSE)) {
        }
        if (d.outstanding > 0) std::this_thread::sleep_for(milliseconds(1));
    } while (d.outstanding > 0 && Clock::now() < until);
}

DesktopBus::Presence DesktopBus::Known() const { return {impl_->screenSaver.load(), impl_->login.load()}; }

void DesktopBus::Refresh() {
    Impl& d = *impl_;
    if (!d.thread.joinable()) return;
    d.Post([&d] {
        d.Ask(d.session, "org.freedesktop.ScreenSaver", d.screenSaver, d.askingSession);
        d.Ask(d.system, "org.freedesktop.login1", d.login, d.askingSystem);
    });
}

bool DesktopBus::ActivateScreenSaver() {
    return impl_->Request(impl_->session, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                          "org.freedesktop.ScreenSaver", "SetActive", g_variant_new("(b)", TRUE), G_DBUS_CALL_FLAGS_NONE);
}

bool DesktopBus::Reboot() {
    return impl_->Request(impl_->system, "org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "Reboot", g_variant_new("(b)", TRUE),
                          G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION);
}

bool DesktopBus::PowerOff() {
    return impl_->Request(impl_->system, "org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "PowerOff", g_variant_new("(b)", TRUE),
                          G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION);
}

bool DesktopBus::Notify(const std::string& summary, const std::string& body) {
    Impl& d = *impl_;
    if (d.session.address.empty() || !d.thread.joinable()) return false;
    d.Post([&d, n = Notice{Utf8(summary), Utf8(body)}] {
        d.notices.push_back(n);
        if (d.notices.size() > kWaitingNotices) d.notices.pop_front();
        d.SendNextNotice();
    });
    return true;
}

}  // namespace platform::linux_impl
