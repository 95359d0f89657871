#include "host/qt/qt_host.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>

#include "host/qt/controls.h"
#include "host/qt/look.h"
#include "host/qt/qt_host_impl.h"
#include "host/qt/qt_util.h"
#include "host/qt/unix_signals.h"

namespace qthost {

namespace {

// Marks the host as mirroring the model into widgets: what widgets report meanwhile is no user input.
struct SyncScope {
    explicit SyncScope(int& n) : n_(n) { ++n_; }
    ~SyncScope() { --n_; }
    int& n_;
};

// Controls the toolkit draws on their container's surface, below every control with a window.
bool IsGraphical(forms::Kind k) {
    return k == forms::Kind::Label || k == forms::Kind::Shape || k == forms::Kind::Line || k == forms::Kind::Image;
}

int ButtonBit(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}
int ButtonMask(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
int ShiftMask(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

int HAlign(int alignment) {
    return alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}

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

class EventFilter : public QObject {
public:
    std::function<bool(QEvent*)> filter;
    bool eventFilter(QObject*, QEvent* e) override { return filter && filter(e); }
};

void BuildMenu(QMenu& qm, const forms::MenuItem& parent, const forms::MenuItem* defaultItem,
               std::unordered_map<QAction*, forms::MenuItem*>& actions) {
    for (const auto& child : parent.children()) {
        forms::MenuItem& m = *child;
        if (!m.visible()) continue;
        if (m.isSeparator()) {
            qm.addSeparator();
            continue;
        }
        if (!m.children().empty()) {
            QMenu* sub = qm.addMenu(Q(m.caption()));
            sub->setEnabled(m.enabled());
            BuildMenu(*sub, m, defaultItem, actions);
            continue;
        }
        QAction* a = qm.addAction(Q(m.caption()));
        a->setEnabled(m.enabled());
        if (m.checked()) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        if (&m == defaultItem) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        actions[a] = &m;
    }
}

}  // namespace

// ---- FormWindow -----------------------------------------------------------------------------------

void FormWindow::closeEvent(QCloseEvent* e) {
    // The model decides: it unloads the form, which takes the window away.
    e->ignore();
    if (onClose) onClose();
}

void FormWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange) {
        if (isActiveWindow() && onActivated) onActivated();
    } else if (e->type() == QEvent::WindowStateChange) {
        const auto* se = static_cast<QWindowStateChangeEvent*>(e);
        if ((se->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized) && onRestored) onRestored();
    }
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (e->spontaneous() && onMoved) onMoved();
}

// ---- Impl: set-up ---------------------------------------------------------------------------------

namespace {
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
    if (QCoreApplication::instance()) return nullptr;
    // The windows are small and change a few labels a second: shared-memory images would cost a
    // round trip to the X server on every repaint and save nothing.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    return std::make_unique<QApplication>(argc, argv);
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
    filter->filter = [this](QEvent* e) {
        if (!drag.form) return false;
        if (e->type() == QEvent::MouseButtonRelease) {
            drag.form = nullptr;
            qApp->removeEventFilter(dragFilter.get());
            return false;
        }
        if (e->type() != QEvent::MouseMove) return false;
        const auto* me = static_cast<QMouseEvent*>(e);
        if (!(me->buttons() & Qt::LeftButton) || !viewOf(*drag.form)) {
            drag.form = nullptr;
            qApp->removeEventFilter(dragFilter.get());
            return false;
        }
        const QPoint p = me->globalPosition().toPoint() - drag.offset;
        drag.form->move(Twips(p.x()), Twips(p.y()));
        return true;
    };
    dragFilter.reset(filter);
    signalWatcher = std::make_unique<SignalWatcher>([this] { endSession(); });
    // Qt ending the loop by itself (the session manager's "die") ends the program in order too.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &anchor, [this] {
        if (!quitRequested) endSession();
    });
}

QtHost::Impl::~Impl() {
    qApp->removeEventFilter(dragFilter.get());
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

// ---- Impl: forms ----------------------------------------------------------------------------------

void QtHost::Impl::formLoaded(forms::Form& form) {
    if (viewOf(form)) return;
    auto owned = std::make_unique<FormView>();
    FormView& fv = *owned;
    views[&form] = std::move(owned);
    fv.form = &form;
    fv.fontPx = FitFontPx(form);
    fv.window = new FormWindow;
    forms::Form* f = &form;
    fv.window->onClose = [this, f] {
        if (viewOf(*f)) f->Unload(0);
    };
    fv.window->onActivated = [this, f] {
        FormView* cur = viewOf(*f);
        if (!cur) return;
        if (cur->skipActivation) {
            cur->skipActivation = false;
            return;
        }
        f->activate();
    };
    fv.window->onRestored = [this, f] {
        // Brought back from the taskbar while the program had it hidden.
        FormView* cur = viewOf(*f);
        if (!cur || f->visible()) return;
        cur->minimisedForTray = false;
        f->Show();
    };
    fv.window->onMoved = [this, f] {
        FormView* cur = viewOf(*f);
        if (!cur || cur->window->isMinimized()) return;
        const QPoint p = cur->window->pos();
        f->move(Twips(p.x()), Twips(p.y()));
    };
    applyWindowFlags(fv);
    if (form.borderStyle() == 0) fv.edge = new WindowEdge(fv.window);
    for (forms::Prop p : {forms::Prop::Geometry, forms::Prop::Caption, forms::Prop::Icon, forms::Prop::Colors, forms::Prop::Enabled})
        formChanged(form, p);
    for (const auto& c : form.controls()) build(fv, *c);
    for (const auto& c : form.controls())
        if (ControlView* v = viewOf(*c)) restack(*v, true);
    // An outline without a fill frames a region: whatever lies inside it is drawn over it.
    for (auto it = form.controls().rbegin(); it != form.controls().rend(); ++it) {
        const forms::Control& c = **it;
        if (c.kind() == forms::Kind::Shape && c.backStyle() == 0 && c.fillStyle() == 1)
            if (ControlView* v = viewOf(c)) v->widget->lower();
    }
    if (fv.edge) fv.edge->raise();
}

void QtHost::Impl::formUnloaded(forms::Form& form) {
    if (FormView* fv = viewOf(form)) {
        if (fv->modalLoop) fv->modalLoop->quit();
        for (auto& [c, v] : fv->controls) {
            if (v.timer) {
                v.timer->stop();
                byWidget.erase(v.timer);
            }
            if (v.widget) {
                byWidget.erase(v.widget);
                if (auto* mv = dynamic_cast<ModelView*>(v.widget)) mv->detach();
            }
        }
        if (drag.form == &form) {
            drag.form = nullptr;
            qApp->removeEventFilter(dragFilter.get());
        }
        // Later: this may run inside one of the window's own event handlers.
        fv->window->hide();
        fv->window->deleteLater();
        std::erase_if(dyingWindows, [](const QPointer<QWidget>& w) { return w.isNull(); });
        dyingWindows.emplace_back(fv->window);
        views.erase(&form);
    }
    if (!app.anyLoaded()) host.Quit(0);
}

void QtHost::Impl::formChanged(forms::Form& form, forms::Prop prop) {
    FormView* fv = viewOf(form);
    if (!fv) return;
    FormWindow* w = fv->window;
    switch (prop) {
    case forms::Prop::Geometry:
        w->setFixedSize(std::max(1, Px(form.width())), std::max(1, Px(form.height())));
        w->move(Px(form.left()), Px(form.top()));
        break;
    case forms::Prop::Caption:
        w->setWindowTitle(Q(form.caption()));
        break;
    case forms::Prop::Visible:
        if (form.visible()) showWindow(*fv);
        else hideWindow(*fv);
        break;
    case forms::Prop::Enabled:
        w->setEnabled(form.enabled());
        break;
    case forms::Prop::Icon:
        w->setWindowIcon(form.icon().empty() ? ResourceIcon(1) : PictureIcon(form.icon()));
        break;
    case forms::Prop::Colors:
        syncWindowColors(*fv);
        break;
    case forms::Prop::Style:
        applyWindowFlags(*fv);
        break;
    default:
        break;
    }
}

void QtHost::Impl::applyWindowFlags(FormView& fv) {
    const forms::Form& f = *fv.form;
    const bool taskbar = f.showInTaskbar() || (ownsTray(f) && !trayAvailable());
    Qt::WindowFlags flags = taskbar ? Qt::Window : Qt::Tool;
    if (f.borderStyle() == 0) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (f.borderStyle() != 3) flags |= Qt::WindowMinimizeButtonHint;
    }
    if (fv.window->windowFlags() == flags) return;
    const bool shown = fv.window->isVisible();
    fv.window->setWindowFlags(flags);
    if (shown) fv.window->show();
}

void QtHost::Impl::syncWindowColors(FormView& fv) {
    const QColor back = ToQColor(fv.form->backColor());
    QPalette pal = fv.window->palette();
    pal.setColor(QPalette::Window, back);
    fv.window->setPalette(pal);
    fv.window->setAutoFillBackground(true);
    if (fv.edge) fv.edge->setColor(back.lightness() > 128 ? back.darker(165) : back.darker(210));
}

void QtHost::Impl::showWindow(FormView& fv) {
    FormWindow* w = fv.window;
    if (!fv.placed) {
        fv.placed = true;
        if (fv.form->startUpPosition() == 2) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                fv.form->move(Twips(area.x() + (area.width() - w->width()) / 2),
                              Twips(area.y() + (area.height() - w->height()) / 2));
            }
        }
    }
    fv.minimisedForTray = false;
    fv.skipActivation = true;  // Form::Show runs Form_Activate itself
    if (w->isMinimized()) w->showNormal();
    else w->show();
}

void QtHost::Impl::hideWindow(FormView& fv) {
    if (fv.modalLoop) fv.modalLoop->quit();
    fv.skipActivation = false;
    if (ownsTray(*fv.form) && !trayAvailable()) {
        // Hidden, the window could only come back through the tray: keep it on the taskbar.
        applyWindowFlags(fv);
        fv.minimisedForTray = true;
        fv.window->showMinimized();
        return;
    }
    fv.window->hide();
}

void QtHost::Impl::checkTrayReachable() {
    if (!trayOwner) return;
    FormView* fv = viewOf(*trayOwner);
    if (!fv || fv->form->visible() || fv->minimisedForTray || trayAvailable()) return;
    hideWindow(*fv);
}

void QtHost::Impl::runModal(forms::Form& form) {
    FormView* fv = viewOf(form);
    if (quitRequested || !fv || !form.visible()) return;
    QWidget* w = fv->window;
    if (w->windowModality() != Qt::ApplicationModal) {
        w->hide();
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
    }
    QEventLoop loop;
    fv->modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (FormView* again = viewOf(form)) {
        if (again->modalLoop == &loop) again->modalLoop = nullptr;
        if (!again->window->isVisible()) again->window->setWindowModality(Qt::NonModal);
    }
}

// ---- Impl: controls -------------------------------------------------------------------------------

void QtHost::Impl::controlAdded(forms::Control& control) {
    FormView* fv = viewOf(control.form());
    if (!fv || fv->controls.count(&control)) return;
    build(*fv, control);
    if (ControlView* v = viewOf(control)) restack(*v, false);
    if (fv->edge) fv->edge->raise();
}

void QtHost::Impl::build(FormView& fv, forms::Control& c) {
    ControlView& v = fv.controls[&c];
    v.control = &c;
    v.form = &fv;
    QWidget* parent = fv.window;
    if (c.container()) {
        auto it = fv.controls.find(c.container());
        if (it != fv.controls.end() && it->second.widget) parent = it->second.widget;
    }

    auto painted = [&](PaintedControl* w) {
        w->onMouse = [this, w](QMouseEvent* e) { userMouse(w, e); };
        w->setMouseTracking(static_cast<bool>(c.MouseMove));
        return w;
    };

    switch (c.kind()) {
    case forms::Kind::Timer: {
        v.type = ViewType::Timer;
        v.timer = new QTimer(fv.window);
        QTimer* t = v.timer;
        QObject::connect(t, &QTimer::timeout, t, [this, t] { timerFired(t); });
        byWidget[t] = &v;
        rearm(v);
        return;
    }
    case forms::Kind::Label:
        v.type = ViewType::Label;
        v.widget = painted(new LabelWidget(c, parent));
        break;
    case forms::Kind::PictureBox:
    case forms::Kind::Frame:
        v.type = ViewType::Panel;
        v.widget = painted(new PanelWidget(c, parent));
        v.widget->setAttribute(Qt::WA_OpaquePaintEvent);
        break;
    case forms::Kind::Image:
        v.type = ViewType::Image;
        v.widget = painted(new ImageWidget(c, parent));
        break;
    case forms::Kind::Shape:
        v.type = ViewType::Shape;
        v.widget = new ShapeWidget(c, parent);
        break;
    case forms::Kind::Line:
        v.type = ViewType::Line;
        v.widget = new LineWidget(c, parent);
        break;
    case forms::Kind::CheckBox:
    case forms::Kind::CommandButton: {
        v.type = ViewType::Button;
        auto* w = new ButtonWidget(c, parent);
        QObject::connect(w, &QAbstractButton::clicked, w, [this, w] { userClicked(w); });
        v.widget = w;
        break;
    }
    case forms::Kind::TextBox: {
        v.type = ViewType::LineEdit;
        auto* w = new QLineEdit(parent);
        QObject::connect(w, &QLineEdit::textEdited, w, [this, w](const QString& t) { userEdited(w, t); });
        v.widget = w;
        break;
    }
    case forms::Kind::VScrollBar: {
        const QRect r = PxRect(c);
        if (r.height() < 3 * r.width()) {
            v.type = ViewType::ArrowBar;
            auto* w = new ArrowBarWidget(c, parent);
            w->step = [this, w](int direction) { userStepped(w, direction); };
            v.widget = w;
        } else {
            v.type = ViewType::ScrollBar;
            auto* w = new QScrollBar(Qt::Vertical, parent);
            QObject::connect(w, &QScrollBar::valueChanged, w, [this, w](int value) { userScrolled(w, value); });
            v.widget = w;
        }
        break;
    }
    case forms::Kind::ListBox:
    case forms::Kind::DirListBox:
    case forms::Kind::FileListBox: {
        v.type = ViewType::List;
        auto* w = new QListWidget(parent);
        w->setUniformItemSizes(true);
        QObject::connect(w, &QListWidget::currentRowChanged, w, [this, w](int row) { userChose(w, row); });
        v.widget = w;
        break;
    }
    case forms::Kind::ComboBox:
    case forms::Kind::DriveListBox: {
        v.type = ViewType::Combo;
        auto* w = new QComboBox(parent);
        QObject::connect(w, &QComboBox::activated, w, [this, w](int index) { userChose(w, index); });
        v.widget = w;
        break;
    }
    }
    byWidget[v.widget] = &v;
    syncAll(v);
}

void QtHost::Impl::restack(ControlView& v, bool initial) {
    if (!v.widget) return;
    if (!IsGraphical(v.control->kind())) {
        v.widget->raise();
        return;
    }
    if (initial) return;  // creation order already puts it above the earlier graphical ones
    // Added later: below every windowed sibling.
    for (QObject* o : v.widget->parentWidget()->children()) {
        ControlView* sibling = viewOfWidget(o);
        if (sibling && sibling != &v && sibling->widget && !IsGraphical(sibling->control->kind())) {
            v.widget->stackUnder(sibling->widget);
            return;
        }
    }
}

void QtHost::Impl::syncAll(ControlView& v) {
    using forms::Prop;
    for (Prop p : {Prop::Geometry, Prop::Font, Prop::Colors, Prop::Style, Prop::Caption, Prop::Text, Prop::Range,
                   Prop::Items, Prop::Value, Prop::Picture, Prop::Enabled, Prop::Visible})
        sync(v, p);
}

void QtHost::Impl::controlChanged(forms::Control& control, forms::Prop prop) {
    if (ControlView* v = viewOf(control)) sync(*v, prop);
}

void QtHost::Impl::sync(ControlView& v, forms::Prop prop) {
    forms::Control& c = *v.control;
    if (v.type == ViewType::Timer) {
        if (prop == forms::Prop::Enabled || prop == forms::Prop::Interval) rearm(v);
        return;
    }
    QWidget* w = v.widget;
    SyncScope scope(syncing);
    const QSignalBlocker block(w);
    switch (prop) {
    case forms::Prop::Geometry:
        if (v.type == ViewType::Line) static_cast<LineWidget*>(w)->layoutLine();
        else w->setGeometry(PxRect(c));
        break;
    case forms::Prop::Caption:
        if (v.type == ViewType::Button) static_cast<ButtonWidget*>(w)->syncCaption();
        else if (v.type == ViewType::Label) w->update();
        break;
    case forms::Prop::Text:
        if (v.type == ViewType::LineEdit) {
            auto* le = static_cast<QLineEdit*>(w);
            const QString t = Q(c.text());
            if (le->text() != t) le->setText(t);
        }
        break;
    case forms::Prop::Value:
        if (v.type == ViewType::ScrollBar) syncRange(v);
        else if (v.type == ViewType::Button) w->update();
        break;
    case forms::Prop::Enabled:
        w->setEnabled(c.enabled());
        break;
    case forms::Prop::Visible:
        w->setVisible(c.visible());
        break;
    case forms::Prop::Colors:
        syncColors(v);
        break;
    case forms::Prop::Font:
        w->setFont(MapFont(c.font(), v.form->fontPx));
        break;
    case forms::Prop::Range:
        if (v.type == ViewType::ScrollBar) syncRange(v);
        break;
    case forms::Prop::Items:
        syncItems(v);
        break;
    case forms::Prop::ListIndex:
    case forms::Prop::Path:
        syncListIndex(v);
        break;
    case forms::Prop::Style:
        if (v.type == ViewType::LineEdit) {
            auto* le = static_cast<QLineEdit*>(w);
            le->setAlignment(Qt::Alignment(HAlign(c.alignment())) | Qt::AlignVCenter);
            le->setFrame(c.borderStyle() != 0);
        }
        w->update();
        break;
    case forms::Prop::Graphics:
        if (v.type == ViewType::Panel) static_cast<PanelWidget*>(w)->printedChanged();
        else w->update();
        break;
    case forms::Prop::Picture:
        w->update();
        break;
    default:
        break;
    }
}

void QtHost::Impl::syncRange(ControlView& v) {
    forms::Control& c = *v.control;
    auto* sb = static_cast<QScrollBar*>(v.widget);
    // Min above Max turns the bar round; negated values keep Qt's range in order.
    if (c.min() > c.max()) {
        sb->setRange(-c.min(), -c.max());
        sb->setValue(-c.value());
    } else {
        sb->setRange(c.min(), c.max());
        sb->setValue(c.value());
    }
    sb->setSingleStep(std::max(1, c.smallChange()));
    sb->setPageStep(std::max(1, c.largeChange()));
}

void QtHost::Impl::syncColors(ControlView& v) {
    forms::Control& c = *v.control;
    // What covers itself completely spares its container a repaint underneath.
    if (v.type == ViewType::Label || v.type == ViewType::Shape)
        v.widget->setAttribute(Qt::WA_OpaquePaintEvent, c.backStyle() == 1);
    if (v.type == ViewType::LineEdit || v.type == ViewType::List || v.type == ViewType::Combo) {
        const QColor back = ToQColor(c.backColor()), fore = ToQColor(c.foreColor());
        QPalette pal = v.widget->palette();
        pal.setColor(QPalette::Base, back);
        pal.setColor(QPalette::Text, fore);
        pal.setColor(QPalette::Disabled, QPalette::Text, Faded(fore, back));
        v.widget->setPalette(pal);
    }
    v.widget->update();
}

void QtHost::Impl::syncItems(ControlView& v) {
    const std::vector<std::string>& items = v.control->items();
    std::vector<std::string>& shown = v.shownItems;
    // Lists mostly grow one item at a time: append what is new rather than rebuild.
    const bool grown = shown.size() <= items.size() && std::equal(shown.begin(), shown.end(), items.begin());
    if (v.type == ViewType::List) {
        auto* lw = static_cast<QListWidget*>(v.widget);
        if (!grown) {
            lw->clear();
            shown.clear();
        }
        for (std::size_t i = shown.size(); i < items.size(); ++i) lw->addItem(Q(items[i]));
    } else if (v.type == ViewType::Combo) {
        auto* cb = static_cast<QComboBox*>(v.widget);
        if (!grown) {
            cb->clear();
            shown.clear();
        }
        for (std::size_t i = shown.size(); i < items.size(); ++i) cb->addItem(Q(items[i]));
    } else {
        return;
    }
    shown = items;
    syncListIndex(v);
}

void QtHost::Impl::syncListIndex(ControlView& v) {
    const forms::Control& c = *v.control;
    int index = c.listIndex();
    if (index < 0 && !c.path().empty()) {
        // Drive and folder lists show their path when nothing is selected.
        for (int i = 0; i < c.listCount(); ++i)
            if (Q(c.list(i)).compare(Q(c.path()), Qt::CaseInsensitive) == 0) index = i;
    }
    if (v.type == ViewType::List) {
        auto* lw = static_cast<QListWidget*>(v.widget);
        if (lw->currentRow() != index) lw->setCurrentRow(index);
    } else if (v.type == ViewType::Combo) {
        auto* cb = static_cast<QComboBox*>(v.widget);
        if (cb->currentIndex() != index) cb->setCurrentIndex(index);
    }
}

void QtHost::Impl::rearm(ControlView& v) {
    const forms::Control& c = *v.control;
    if (c.form().loaded() && c.enabled() && c.interval() > 0) v.timer->start(c.interval());
    else v.timer->stop();
}

// ---- Impl: user input -----------------------------------------------------------------------------

void QtHost::Impl::userClicked(QObject* widget) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    v->control->userClick();
}

void QtHost::Impl::userEdited(QObject* widget, const QString& text) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    v->control->setText(S(text));
}

void QtHost::Impl::userScrolled(QObject* widget, int widgetValue) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    c.setValue(c.min() > c.max() ? -widgetValue : widgetValue);
}

void QtHost::Impl::userStepped(QObject* widget, int direction) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    // The upper arrow moves towards Min, the lower one towards Max, whichever is larger.
    const int target = direction < 0 ? c.min() : c.max();
    const int step = std::max(1, c.smallChange());
    const int value = c.value();
    const int next = value < target ? std::min(value + step, target) : value > target ? std::max(value - step, target) : value;
    if (next != value) c.setValue(next);
}

void QtHost::Impl::userChose(QObject* widget, int index) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing || index < 0) return;
    forms::Control& c = *v->control;
    c.setListIndex(index);
    if (c.kind() == forms::Kind::DriveListBox || c.kind() == forms::Kind::DirListBox) {
        // The current drive or folder is the chosen entry; Change reports it.
        if (!viewOfWidget(widget) || index >= c.listCount()) return;
        const std::string entry = c.list(index);
        c.setText(entry);
        c.setPath(entry);
    }
}

void QtHost::Impl::userMouse(QObject* widget, QMouseEvent* e) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    const int shift = ShiftMask(e->modifiers());
    const float x = static_cast<float>(e->position().x() * kTwipsPerPixel);
    const float y = static_cast<float>(e->position().y() * kTwipsPerPixel);
    switch (e->type()) {
    case QEvent::MouseButtonPress:
        if (auto h = c.MouseDown) h(ButtonBit(e->button()), shift, x, y);
        break;
    case QEvent::MouseMove:
        if (auto h = c.MouseMove) h(ButtonMask(e->buttons()), shift, x, y);
        break;
    case QEvent::MouseButtonRelease:
        if (auto h = c.MouseUp) h(ButtonBit(e->button()), shift, x, y);
        if (e->button() == Qt::LeftButton && viewOfWidget(widget) &&
            static_cast<QWidget*>(widget)->rect().contains(e->position().toPoint()))
            c.userClick();
        break;
    case QEvent::MouseButtonDblClick:
        c.userDblClick();
        break;
    default:
        break;
    }
}

void QtHost::Impl::timerFired(QObject* timer) {
    ControlView* v = viewOfWidget(timer);
    if (!v) return;
    const forms::Control* c = v->control;
    // A handler that lets events run (DoEvents, a menu, a modal box) must not be entered again.
    if (!firingTimers.insert(c).second) return;
    v->control->fireTimer();
    firingTimers.erase(c);
}

// ---- Impl: tray and session ---------------------------------------------------------------------

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
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        deliverTrayMouse(host::WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::Trigger:
        // A StatusNotifierItem host sends its activate click instead of a double-click; an XEmbed
        // tray sends a single click here, which means nothing.
        if (trayViaDBus) deliverTrayMouse(host::WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::Context:
        deliverTrayMouse(host::WM_RBUTTONDOWN);
        break;
    default:
        break;
    }
}

void QtHost::Impl::deliverTrayMouse(int message) {
    // Later, from the event loop: the tray's own press handler or D-Bus call returns first.
    post([this, message] {
        if (quitRequested || !host.TrayMouse) return;
        auto handler = host.TrayMouse;
        handler(message);
    });
}

void QtHost::Impl::endSession() {
    if (sessionEnding) return;
    sessionEnding = true;
    if (host.EndSession) {
        auto handler = host.EndSession;
        handler();
    }
    host.Quit(0);
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
    d->quitRequested = true;
    d->exitCode = exitCode;
    QCoreApplication::exit(exitCode);
}

void QtHost::DoEvents() { QCoreApplication::processEvents(); }

int QtHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
    if (d->quitRequested) return (style & 7) == host::vbYesNo ? host::vbNo : host::vbCancel;
    QMessageBox box;
    box.setWindowTitle(Q(title));
    box.setText(DisplayText(prompt));
    switch (style & 0x70) {
    case host::vbCritical: box.setIcon(QMessageBox::Critical); break;
    case host::vbQuestion: box.setIcon(QMessageBox::Question); break;
    case host::vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case host::vbInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    using SB = QMessageBox::StandardButton;
    std::vector<std::pair<SB, int>> buttons;
    switch (style & 7) {
    case 1: buttons = {{SB::Ok, host::vbOK}, {SB::Cancel, host::vbCancel}}; break;
    case 2: buttons = {{SB::Abort, 3}, {SB::Retry, 4}, {SB::Ignore, 5}}; break;
    case 3: buttons = {{SB::Yes, host::vbYes}, {SB::No, host::vbNo}, {SB::Cancel, host::vbCancel}}; break;
    case 4: buttons = {{SB::Yes, host::vbYes}, {SB::No, host::vbNo}}; break;
    case 5: buttons = {{SB::Retry, 4}, {SB::Cancel, host::vbCancel}}; break;
    default: buttons = {{SB::Ok, host::vbOK}}; break;
    }
    for (const auto& [b, answer] : buttons) box.addButton(b);
    const std::size_t def = static_cast<std::size_t>((style >> 8) & 3);
    box.setDefaultButton(buttons[def < buttons.size() ? def : 0].first);
    box.exec();
    const auto* clicked = box.clickedButton();
    for (const auto& [b, answer] : buttons)
        if (box.button(b) == clicked) return answer;
    // Closed without a button: the way out, as Escape would choose it.
    for (const auto& [b, answer] : buttons)
        if (answer == host::vbCancel || answer == host::vbNo) return answer;
    return buttons.front().second;
}

void QtHost::PopupMenu(forms::Form&, forms::MenuItem& menu, forms::MenuItem* defaultItem) {
    if (d->quitRequested) return;
    QMenu qm;
    std::unordered_map<QAction*, forms::MenuItem*> actions;
    BuildMenu(qm, menu, defaultItem, actions);
    if (qm.isEmpty()) return;
    QAction* chosen = qm.exec(QCursor::pos());
    if (!chosen) return;
    auto it = actions.find(chosen);
    if (it == actions.end()) return;
    forms::MenuItem* item = it->second;
    // The program may have ended while the menu was open.
    if (!d->quitRequested && item->form().loaded()) item->userClick();
}

int QtHost::ScreenWidth() {
    QScreen* s = QGuiApplication::primaryScreen();
    return Twips(s ? s->geometry().width() : 1024);
}
int QtHost::ScreenHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    return Twips(s ? s->geometry().height() : 768);
}
int QtHost::TwipsPerPixelX() { return kTwipsPerPixel; }
int QtHost::TwipsPerPixelY() { return kTwipsPerPixel; }

void QtHost::SetMousePointer(int pointer) {
    const bool busy = pointer == host::vbHourglass;
    if (busy == d->waitCursor) return;
    d->waitCursor = busy;
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void QtHost::BeginWindowDrag(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !fv->window->isVisible() || d->drag.form) return;
    if (QWindow* handle = fv->window->windowHandle(); handle && handle->startSystemMove()) return;
    // No window manager to hand the move to: follow the pointer until the button goes up.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
    // The point pressed stays under the pointer.
    d->drag.form = &form;
    d->drag.offset = d->drag.lastPress - fv->window->pos();
    if (!fv->window->rect().contains(d->drag.offset)) d->drag.offset = QCursor::pos() - fv->window->pos();
    qApp->installEventFilter(d->dragFilter.get());
    const QPoint to = QCursor::pos() - d->drag.offset;
    form.move(Twips(to.x()), Twips(to.y()));
}

void QtHost::SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    FormView* fv = d->viewOf(form);
    if (!fv) return;
    FormWindow* w = fv->window;
    w->setFixedSize(std::max(1, cx), std::max(1, cy));
    w->move(x, y);
    if ((flags & host::SWP_SHOWWINDOW) && !w->isVisible()) {
        w->setAttribute(Qt::WA_ShowWithoutActivating, (flags & host::SWP_NOACTIVATE) != 0);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    // Above everything once; nothing keeps it there, so "not topmost" needs no undoing.
    if (insertAfter == host::HWND_TOPMOST) w->raise();
}

bool QtHost::SetFocus(forms::Control& control) {
    const forms::Form& form = control.form();
    FormView* fv = d->viewOf(form);
    ControlView* v = d->viewOf(control);
    if (!fv || !v || !v->widget || !form.visible() || !fv->window->isVisible() || fv->window->isMinimized()) return false;
    if (!control.visible() || !control.enabled() || !v->widget->isEnabled()) return false;
    v->widget->setFocus(Qt::OtherFocusReason);
    return true;
}

bool QtHost::ShellNotifyIcon(int message, const host::NotifyIconData& data) { return d->shellNotifyIcon(message, data); }
bool QtHost::TrayAvailable() { return d->trayAvailable(); }

void QtHost::formLoaded(forms::Form& form) { d->formLoaded(form); }
void QtHost::formUnloaded(forms::Form& form) { d->formUnloaded(form); }
void QtHost::formChanged(forms::Form& form, forms::Prop prop) { d->formChanged(form, prop); }
void QtHost::controlAdded(forms::Control& control) { d->controlAdded(control); }
void QtHost::controlChanged(forms::Control& control, forms::Prop prop) { d->controlChanged(control, prop); }

}  // namespace qthost
