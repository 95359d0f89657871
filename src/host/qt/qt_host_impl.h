// Inside the Qt host: one top-level widget per loaded form, one widget (or QTimer) per control.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/qt/qt_host.h"

class QLocalServer;

namespace qthost {

class WindowEdge;
class SignalWatcher;

// The top-level window of a form. It reports what the window manager and the user do to it.
class FormWindow : public QWidget {
public:
    FormWindow() = default;
    std::function<void()> onClose;      // the window manager asks to close
    std::function<void()> onActivated;  // became the active window
    std::function<void()> onRestored;   // left the minimised state
    std::function<void()> onMoved;      // moved by the user or the window manager

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
};

enum class ViewType { Label, Panel, Image, Shape, Line, Button, LineEdit, ScrollBar, ArrowBar, List, Combo, Timer };

struct FormView;

struct ControlView {
    forms::Control* control = nullptr;
    FormView* form = nullptr;
    ViewType type = ViewType::Label;
    QWidget* widget = nullptr;  // null for timers
    QTimer* timer = nullptr;    // timers only
    std::vector<std::string> shownItems;  // lists: what the widget holds
};

struct FormView {
    forms::Form* form = nullptr;
    FormWindow* window = nullptr;
    WindowEdge* edge = nullptr;
    std::unordered_map<const forms::Control*, ControlView> controls;
    int fontPx = 11;
    bool placed = false;            // the start-up position has been applied
    bool skipActivation = false;    // the model ran Form_Activate for this show already
    bool minimisedForTray = false;  // hidden by the model, but minimised: no tray to come back from
    QEventLoop* modalLoop = nullptr;
};

// The application object; without a display to connect to, the program says so and ends (status 1).
std::unique_ptr<QApplication> ApplicationOrExit(int& argc, char** argv);

struct QtHost::Impl {
    Impl(QtHost& host, forms::Application& app, int& argc, char** argv);
    ~Impl();

    // ---- forms and controls ----
    void formLoaded(forms::Form& form);
    void formUnloaded(forms::Form& form);
    void formDestroyed(forms::Form& form);
    void dropView(const forms::Form& form);
    void formChanged(forms::Form& form, forms::Prop prop);
    void controlAdded(forms::Control& control);
    void controlChanged(forms::Control& control, forms::Prop prop);

    FormView* viewOf(const forms::Form& form);
    ControlView* viewOf(const forms::Control& control);
    ControlView* viewOfWidget(const QObject* widget);

    void build(FormView& fv, forms::Control& c);
    void restack(ControlView& v, bool initial);
    void sync(ControlView& v, forms::Prop prop);
    void syncAll(ControlView& v);
    void syncItems(ControlView& v);
    void syncListIndex(ControlView& v);
    void syncRange(ControlView& v);
    void syncColors(ControlView& v);
    void syncHelp(ControlView& v);
    void rearm(ControlView& v);

    void applyWindowFlags(FormView& fv);
    void syncWindowColors(FormView& fv);
    void showWindow(FormView& fv);
    void hideWindow(FormView& fv);
    void checkTrayReachable();
    void runModal(forms::Form& form);
    bool dragEvent(QEvent* e);

    // ---- user input ----
    void userClicked(QObject* widget);
    void userEdited(QObject* widget, const QString& text);
    void userScrolled(QObject* widget, int widgetValue);
    void userStepped(QObject* widget, int direction);
    void userChose(QObject* widget, int index);
    void userMouse(QObject* widget, QMouseEvent* e);
    void timerFired(QObject* timer);

    // ---- tray ----
    bool shellNotifyIcon(int message, const host::NotifyIconData& data);
    void applyTray(const host::NotifyIconData& data);
    bool ownsTray(const forms::Form& form) const { return tray && trayOwner == &form; }
    bool trayAvailable() const;
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void deliverTrayMouse(int message);

    void watchSessionEnd();
    void unwatchSessionEnd();
    void endSession();
    bool displayBroken() const;
    [[noreturn]] void displayLost();
    void post(std::function<void()> fn);

    QtHost& host;
    forms::Application& app;
    std::unique_ptr<QApplication> ownedApp;  // first member: outlives every widget
    QObject anchor;                          // context of queued calls
    QLocalServer* laterStarts = nullptr;     // child of anchor; requests of later starts
    std::unordered_map<const forms::Form*, std::unique_ptr<FormView>> views;
    std::unordered_map<const QObject*, ControlView*> byWidget;
    std::vector<QPointer<QWidget>> dyingWindows;
    std::set<const forms::Control*> firingTimers;
    int syncing = 0;

    bool quitRequested = false;
    int exitCode = 0;
    bool sessionEnding = false;
    bool displayGone = false;            // the display connection broke: nothing may reach it any more
    struct xcb_connection_t* xcb = nullptr;
    bool waitCursor = false;

    QSystemTrayIcon* tray = nullptr;
    const forms::Form* trayOwner = nullptr;
    forms::Picture trayPicture;
    QString trayTip;
    bool trayViaDBus = false;  // StatusNotifierItem: no double-click, the activate click stands for it

    struct Drag {
        forms::Form* form = nullptr;
        QPoint offset;
    } drag;
    std::unique_ptr<QObject> dragFilter;

    std::unique_ptr<SignalWatcher> signalWatcher;
};

}  // namespace qthost
