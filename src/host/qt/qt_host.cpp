// The host itself: the application object, the event loop, the look-ups from model to widgets, and
// the Host and Observer calls handed on to the parts that carry them out.
#include "host/qt/qt_host.h"

#include <QGuiApplication>

#include "host/qt/look.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"
#include "host/qt/unix_signals.h"

namespace qthost {

namespace {

class EventFilter : public QObject {
public:
    std::function<bool(QEvent*)> filter;
    bool eventFilter(QObject*, QEvent* e) override { return filter && filter(e); }
};

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
    if (QCoreApplication::instance()) return nullptr;
    // The windows are small and change a few labels a second: shared-memory images would cost a
    // round trip to the X server on every repaint and save nothing.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    return ApplicationOrExit(argc, argv);
}

}  // namespace

QtHost::Impl::Impl(QtHost& h, forms::Application& a, int& argc, char** argv)
    : host(h), app(a), ownedApp(MakeApplication(argc, argv)) {
    QApplication::setQuitOnLastWindowClosed(false);
    if (ownedApp) {
        QCoreApplication::setApplicationName(QStringLiteral("tarnolux"));
        QGuiApplication::setDesktopFileName(QStringLiteral("tarnolux"));
        QApplication::setWindowIcon(ResourceIcon(1));
    }
    auto* filter = new EventFilter;
    filter->filter = [this](QEvent* e) { return dragEvent(e); };
    dragFilter.reset(filter);
    watchSessionEnd();
}

QtHost::Impl::~Impl() {
    qApp->removeEventFilter(dragFilter.get());
    unwatchSessionEnd();
    signalWatcher.reset();
    delete tray;
    tray = nullptr;
    byWidget.clear();
    for (auto& [form, fv] : views) delete fv->window;
    views.clear();
    for (auto& w : dyingWindows) delete w.data();
    dyingWindows.clear();
    if (waitCursor) QApplication::restoreOverrideCursor();
}

void QtHost::Impl::post(std::function<void()> fn) { QMetaObject::invokeMethod(&anchor, std::move(fn), Qt::QueuedConnection); }

FormView* QtHost::Impl::viewOf(const forms::Form& form) {
    auto it = views.find(&form);
    return it == views.end() ? nullptr : it->second.get();
}

ControlView* QtHost::Impl::viewOf(const forms::Control& control) {
    FormView* fv = viewOf(control.form());
    if (!fv) return nullptr;
    auto it = fv->controls.find(&control);
    return it == fv->controls.end() ? nullptr : &it->second;
}

ControlView* QtHost::Impl::viewOfWidget(const QObject* widget) {
    auto it = byWidget.find(widget);
    return it == byWidget.end() ? nullptr : it->second;
}

// ---- QtHost ---------------------------------------------------------------------------------------

QtHost::QtHost(forms::Application& app, int& argc, char** argv)
    : app_(app), d(std::make_unique<Impl>(*this, app, argc, argv)) {
    app_.setObserver(this);
    app_.runModal = [this](forms::Form& form) { d->runModal(form); };
}

QtHost::~QtHost() {
    if (app_.observer() == this) app_.setObserver(nullptr);
    app_.runModal = nullptr;
    d.reset();
}

int QtHost::Run() {
    if (d->quitRequested) return d->exitCode;
    d->post([this] { d->checkTrayReachable(); });
    const int rc = QApplication::exec();
    return d->quitRequested ? d->exitCode : rc;
}

void QtHost::Quit(int exitCode) {
    EndedInOrder(exitCode);
    d->quitRequested = true;
    d->exitCode = exitCode;
    QCoreApplication::exit(exitCode);
}

void QtHost::DoEvents() {
    if (!d->displayGone) QCoreApplication::processEvents();
}

bool QtHost::ShellNotifyIcon(int message, const host::NotifyIconData& data) {
    return !d->displayGone && d->shellNotifyIcon(message, data);
}
bool QtHost::TrayAvailable() { return d->trayAvailable(); }

void QtHost::formLoaded(forms::Form& form) { d->formLoaded(form); }
void QtHost::formUnloaded(forms::Form& form) { d->formUnloaded(form); }
void QtHost::formDestroyed(forms::Form& form) { d->formDestroyed(form); }
void QtHost::formChanged(forms::Form& form, forms::Prop prop) { d->formChanged(form, prop); }
void QtHost::controlAdded(forms::Control& control) { d->controlAdded(control); }
void QtHost::controlChanged(forms::Control& control, forms::Prop prop) { d->controlChanged(control, prop); }

}  // namespace qthost
