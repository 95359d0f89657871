// Later starts of the program: a local socket beside the instance lock carries their one-line
// requests to the running instance, and its answers back.
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "host/qt/qt_host_impl.h"

namespace qthost {

namespace {

constexpr qint64 kLongestRequest = 256;
constexpr int kIdleClientMs = 10000;
constexpr auto kConnectWithin = std::chrono::seconds(5);

}  // namespace

bool QtHost::ListenForLaterStarts(const std::string& channel) {
    delete d->laterStarts;
    auto* server = new QLocalServer(&d->anchor);
    d->laterStarts = server;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = QString::fromStdString(channel);
    // This process holds the instance lock, so a socket there is left over from a run that crashed.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) return false;
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            // A client that sends nothing is let go; one whose request is under way is not.
            auto* idle = new QTimer(client);  // it goes with the client it drops
            QObject::connect(idle, &QTimer::timeout, client, [client] { client->abort(); });
            idle->start(kIdleClientMs);
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client, idle] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kLongestRequest) client->abort();
                    return;
                }
                const std::string request = client->readLine(kLongestRequest).trimmed().toStdString();
                client->disconnect(client, &QLocalSocket::readyRead, nullptr, nullptr);
                idle->stop();
                // Ticks on this thread: it falls silent when the loop does, and only then.
                auto* heartbeat = new QTimer(client);
                QObject::connect(heartbeat, &QTimer::timeout, client, [client] {
                    client->write(QByteArray(host::kStillWorking.data(), host::kStillWorking.size()) + "\n");
                    client->flush();
                });
                heartbeat->start(static_cast<int>(laterStartTiming.heartbeat.count()));
                // Carried out from the event loop, not inside the socket's own signal.
                QPointer<QLocalSocket> guard(client);
                d->post([this, guard, heartbeat, request] {
                    const std::string answer = LaterStart ? LaterStart(request) : std::string("Tarnolux is starting");
                    if (!guard) return;
                    heartbeat->stop();
                    guard->write(QByteArray::fromStdString(answer + "\n"));
                    // A sender that gave up has left meanwhile; nobody is waiting to be told.
                    if (guard->flush() && guard->state() == QLocalSocket::ConnectedState) guard->waitForBytesWritten(1000);
                    guard->disconnectFromServer();
                });
            });
        }
    });
    return true;
}

std::optional<std::string> QtHost::SendToRunningInstance(const std::string& channel, const std::string& request) {
    QLocalSocket socket;
    const QString path = QString::fromStdString(channel);
    // The running instance may be starting up and not listen yet.
    const auto until = std::chrono::steady_clock::now() + kConnectWithin;
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(500)) break;
        socket.abort();
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    socket.write(QByteArray::fromStdString(request + "\n"));
    if (!socket.waitForBytesWritten(2000)) return std::nullopt;
    // Lines come until the answer: each sign of life puts off giving up.
    QByteArray buffer;
    auto silentUntil = std::chrono::steady_clock::now() + laterStartTiming.silence;
    for (;;) {
        while (buffer.contains('\n')) {
            const qsizetype end = buffer.indexOf('\n');
            const std::string line = buffer.left(end).toStdString();
            buffer.remove(0, end + 1);
            if (line != host::kStillWorking) return line;
            silentUntil = std::chrono::steady_clock::now() + laterStartTiming.silence;
        }
        if (buffer.size() > kLongestRequest * 4) return std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        if (now >= silentUntil) return std::nullopt;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(silentUntil - now).count();
        if (!socket.waitForReadyRead(static_cast<int>(std::min<std::int64_t>(wait, 1000))) &&
            socket.bytesAvailable() == 0) {
            if (socket.state() != QLocalSocket::ConnectedState) return std::nullopt;
            continue;
        }
        buffer += socket.readAll();
    }
}

void QtHost::ActivateWindow(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !fv->window->isVisible()) return;
    if (fv->window->isMinimized()) fv->window->showNormal();
    fv->window->raise();
    fv->window->activateWindow();
}

}  // namespace qthost
