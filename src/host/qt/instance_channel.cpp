// Later starts of the program: a local socket beside the instance lock carries their one-line
// requests to the running instance, and its answers back.
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <chrono>
#include <thread>

#include "host/qt/qt_host_impl.h"

namespace qthost {

namespace {

constexpr qint64 kLongestRequest = 256;
constexpr int kIdleClientMs = 10000;
// A free-up asked for may play its sound to the end first.
constexpr int kAnswerWithinMs = 120000;
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
            QTimer::singleShot(kIdleClientMs, client, [client] { client->abort(); });
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kLongestRequest) client->abort();
                    return;
                }
                const std::string request = client->readLine(kLongestRequest).trimmed().toStdString();
                client->disconnect(client, &QLocalSocket::readyRead, nullptr, nullptr);
                // Carried out from the event loop, not inside the socket's own signal.
                QPointer<QLocalSocket> guard(client);
                d->post([this, guard, request] {
                    const std::string answer = LaterStart ? LaterStart(request) : std::string("Tarnolux is starting");
                    if (!guard) return;
                    guard->write(QByteArray::fromStdString(answer + "\n"));
                    guard->flush();
                    guard->waitForBytesWritten(1000);
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
    QByteArray answer;
    const auto answerUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWithinMs);
    while (!answer.contains('\n')) {
        if (std::chrono::steady_clock::now() >= answerUntil) return std::nullopt;
        if (!socket.waitForReadyRead(1000)) {
            if (socket.state() != QLocalSocket::ConnectedState) break;
            continue;
        }
        answer += socket.readAll();
        if (answer.size() > kLongestRequest * 4) break;
    }
    if (!answer.contains('\n')) return std::nullopt;
    return answer.left(answer.indexOf('\n')).toStdString();
}

void QtHost::ActivateWindow(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !fv->window->isVisible()) return;
    if (fv->window->isMinimized()) fv->window->showNormal();
    fv->window->raise();
    fv->window->activateWindow();
}

}  // namespace qthost
