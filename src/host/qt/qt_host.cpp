#include "host/qt/qt_host.h"

#include <QApplication>

namespace qthost {

struct QtHost::Impl {
    explicit Impl(int& argc, char** argv) : qapp(argc, argv) {}
    QApplication qapp;
};

QtHost::QtHost(forms::Application& app, int& argc, char** argv) : d(std::make_unique<Impl>(argc, argv)) {
    app.setObserver(this);
}
QtHost::~QtHost() = default;
int QtHost::Run() { return QApplication::exec(); }
void QtHost::Quit(int exitCode) { QApplication::exit(exitCode); }
void QtHost::DoEvents() { QApplication::processEvents(); }
int QtHost::MsgBox(const std::string&, int, const std::string&) { return host::vbOK; }
void QtHost::PopupMenu(forms::Form&, forms::MenuItem&, forms::MenuItem*) {}
int QtHost::ScreenWidth() { return 1024 * 15; }
int QtHost::ScreenHeight() { return 768 * 15; }
int QtHost::TwipsPerPixelX() { return 15; }
int QtHost::TwipsPerPixelY() { return 15; }
void QtHost::SetMousePointer(int) {}
void QtHost::BeginWindowDrag(forms::Form&) {}
void QtHost::SetWindowPos(forms::Form&, int, int, int, int, int, unsigned) {}
bool QtHost::SetFocus(forms::Control&) { return false; }
bool QtHost::ShellNotifyIcon(int, const host::NotifyIconData&) { return false; }
bool QtHost::TrayAvailable() { return false; }

}  // namespace qthost
