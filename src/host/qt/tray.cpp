// The notification-area icon.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include "host/host_rules.h"
#include "host/qt/look.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"

namespace qthost {

namespace {

// Qt talks StatusNotifierItem over D-Bus when a host has registered with the watcher; such hosts
// report no double-click.
bool TrayUsesDBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcher)) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

}  // namespace

// ---- Impl: tray ---------------------------------------------------------------------------------

bool QtHost::Impl::trayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool QtHost::Impl::shellNotifyIcon(int message, const host::NotifyIconData& data) {
    switch (message) {
    case host::NIM_ADD: {
        if (tray) return false;
        tray = new QSystemTrayIcon(&anchor);
        trayOwner = data.window;
        trayPicture = {};
        trayTip.clear();
        trayViaDBus = TrayUsesDBus();
        QObject::connect(tray, &QSystemTrayIcon::activated, &anchor,
                         [this](QSystemTrayIcon::ActivationReason r) { trayActivated(r); });
        applyTray(data);
        if (tray->icon().isNull()) tray->setIcon(ResourceIcon(1));
        tray->show();
        if (trayOwner)
            if (FormView* fv = viewOf(*trayOwner)) applyWindowFlags(*fv);
        post([this] { checkTrayReachable(); });
        return true;
    }
    case host::NIM_MODIFY:
        if (!tray) return false;
        applyTray(data);
        return true;
    case host::NIM_DELETE:
        if (!tray) return false;
        tray->hide();
        tray->deleteLater();
        tray = nullptr;
        trayOwner = nullptr;
        return true;
    default:
        return false;
    }
}

void QtHost::Impl::applyTray(const host::NotifyIconData& data) {
    if ((data.flags & host::NIF_ICON) && !(data.icon == trayPicture && !tray->icon().isNull())) {
        trayPicture = data.icon;
        tray->setIcon(data.icon.empty() ? ResourceIcon(1) : PictureIcon(data.icon));
    }
    if (data.flags & host::NIF_TIP) {
        const QString tip = Q(data.tipText());
        if (tip != trayTip) {
            trayTip = tip;
            tray->setToolTip(tip);
        }
    }
}

void QtHost::Impl::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    host::TrayClick click = host::TrayClick::Other;
    switch (reason) {
    case QSystemTrayIcon::DoubleClick: click = host::TrayClick::Double; break;
    case QSystemTrayIcon::Trigger: click = host::TrayClick::Single; break;
    case QSystemTrayIcon::Context: click = host::TrayClick::Context; break;
    default: break;
    }
    if (const int message = host::TrayMouseMessage(click, trayViaDBus)) deliverTrayMouse(message);
}

void QtHost::Impl::deliverTrayMouse(int message) {
    // Later, from the event loop: the tray's own press handler or D-Bus call returns first.
    post([this, message] {
        if (quitRequested || !host.TrayMouse) return;
        auto handler = host.TrayMouse;
        handler(message);
    });
}

void QtHost::Impl::checkTrayReachable() {
    if (!trayOwner) return;
    FormView* fv = viewOf(*trayOwner);
    if (!fv || fv->form->visible() || fv->minimisedForTray || trayAvailable()) return;
    hideWindow(*fv);
}

}  // namespace qthost
