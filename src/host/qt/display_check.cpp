// Starting without a display: one line on stderr and status 1, instead of the toolkit's abort.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host/qt/qt_host_impl.h"

namespace qthost {

namespace {

std::vector<std::pair<QtMsgType, QString>>& Held() {
    static std::vector<std::pair<QtMsgType, QString>> held;
    return held;
}

std::string DisplayProblem() {
    const QByteArray x11 = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
    if (x11.isEmpty() && wayland.isEmpty())
        return "no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); start it in a desktop session";
    return "cannot open the display " + (wayland.isEmpty() ? x11 : wayland).toStdString();
}

// While the application object connects, the toolkit's complaints are held back: a fatal one
// means there is no display to be had, and the user gets one line saying so.
void HoldMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "tarnolux: %s\n", DisplayProblem().c_str());
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) Held().emplace_back(type, message);
}

}  // namespace

std::unique_ptr<QApplication> ApplicationOrExit(int& argc, char** argv) {
    const QtMessageHandler previous = qInstallMessageHandler(HoldMessages);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const auto& [type, message] : Held()) {
        const QByteArray text = message.toLocal8Bit();
        std::fprintf(stderr, "%s\n", text.constData());
    }
    Held().clear();
    return app;
}

}  // namespace qthost
