#include "platform/linux/desktop_bus.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>

namespace platform::linux_impl {

namespace {

constexpr int kAskTimeoutMs = 500;

std::string SessionAddress() {
    if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) return a;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run == '/') {
        const std::string socket = std::string(run) + "/bus";
        struct stat st {};
        if (::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return "unix:path=" + socket;
    }
    return {};
}

std::string SystemAddress() {
    if (const char* a = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"); a && *a) return a;
    return "unix:path=/run/dbus/system_bus_socket";
}

}  // namespace

struct DesktopBus::Impl {
    std::string sessionAddress, systemAddress;
    GDBusConnection* session = nullptr;
    GDBusConnection* system = nullptr;

    static GDBusConnection* Open(GDBusConnection*& conn, const std::string& address) {
        if (conn && g_dbus_connection_is_closed(conn)) {
            g_object_unref(conn);
            conn = nullptr;
        }
        if (!conn && !address.empty()) {
            conn = g_dbus_connection_new_for_address_sync(
                address.c_str(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr);
            if (conn) g_dbus_connection_set_exit_on_close(conn, FALSE);
        }
        return conn;
    }
    GDBusConnection* Session() { return Open(session, sessionAddress.empty() ? SessionAddress() : sessionAddress); }
    GDBusConnection* System() { return Open(system, systemAddress.empty() ? SystemAddress() : systemAddress); }

    static bool HasOwner(GDBusConnection* conn, const char* name) {
        if (!conn) return false;
        GVariant* reply = g_dbus_connection_call_sync(
            conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
            g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kAskTimeoutMs, nullptr, nullptr);
        if (!reply) return false;
        gboolean has = FALSE;
        g_variant_get(reply, "(b)", &has);
        g_variant_unref(reply);
        return has;
    }

    // Sent, not waited for: the answer (or a password dialog) takes as long as it takes.
    static bool Send(GDBusConnection* conn, const char* name, const char* path, const char* iface,
                     const char* method, GVariant* args, GDBusCallFlags flags) {
        if (!conn) {
            g_variant_unref(g_variant_ref_sink(args));
            return false;
        }
        g_dbus_connection_call(conn, name, path, iface, method, args, nullptr, flags, G_MAXINT, nullptr, nullptr,
                               nullptr);
        return true;
    }
};

DesktopBus::DesktopBus(std::string sessionAddress, std::string systemAddress) : impl_(std::make_unique<Impl>()) {
    impl_->sessionAddress = std::move(sessionAddress);
    impl_->systemAddress = std::move(systemAddress);
}

DesktopBus::~DesktopBus() {
    for (GDBusConnection* conn : {impl_->session, impl_->system}) {
        if (!conn) continue;
        g_dbus_connection_flush_sync(conn, nullptr, nullptr);  // requests just sent still go out
        g_object_unref(conn);
    }
}

bool DesktopBus::HasScreenSaver() { return Impl::HasOwner(impl_->Session(), "org.freedesktop.ScreenSaver"); }

bool DesktopBus::ActivateScreenSaver() {
    return Impl::Send(impl_->Session(), "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                      "org.freedesktop.ScreenSaver", "SetActive", g_variant_new("(b)", TRUE), G_DBUS_CALL_FLAGS_NONE);
}

bool DesktopBus::HasLogin() { return Impl::HasOwner(impl_->System(), "org.freedesktop.login1"); }

bool DesktopBus::Reboot() {
    return Impl::Send(impl_->System(), "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", "Reboot", g_variant_new("(b)", TRUE),
                      G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION);
}

bool DesktopBus::PowerOff() {
    return Impl::Send(impl_->System(), "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", "PowerOff", g_variant_new("(b)", TRUE),
                      G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION);
}

}  // namespace platform::linux_impl
