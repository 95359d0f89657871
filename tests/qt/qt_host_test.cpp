// The Qt host, offscreen: widgets built from the model and kept in step, user input as model changes.
#include <QAbstractButton>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QPointer>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <QtTest/QSpontaneKeyEvent>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <thread>
#include <tuple>

#include "../linux_options.h"
#include "host/qt/unix_signals.h"
#include "qt_support.h"

namespace {

using forms::Kind;
using namespace qttest;

class QtEnvironment : public ::testing::Environment {
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(Args::argc, Args::argv);
    }
    void TearDown() override { app_.reset(); }
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The tests' forms go while loaded, as a form may.
struct Form : forms::Form {
    explicit Form(forms::Application& app) : forms::Form(app, "Test") {}
    int activations = 0;
    void Form_Activate() override { ++activations; }
};

int CountColor(QWidget* w, QColor color, QRect area = {}) {
    const QImage img = w->grab().toImage();
    if (area.isNull()) area = img.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom() && y < img.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < img.width(); ++x)
            if (QColor(img.pixel(x, y)) == color) ++n;
    return n;
}

TEST_F(QtHostTest, BuildsWidgetsAtPixelGeometryInsideTheirContainers) {
    Form f(app);
    f.setBorderStyle(0);
    f.setShowInTaskbar(false);
    f.move(1500, 750, 4500, 3000);
    forms::Control& frame = At(f.add(Kind::Frame, "Frame1"), 150, 300, 3000, 1500);
    forms::Control& label = At(f.add(Kind::Label, "Label1", -1, &frame), 15, 30, 600, 255);
    forms::Control& text = At(f.add(Kind::TextBox, "Text1", -1, &frame), -10, 600, 1000, 285);
    forms::Control& line = f.add(Kind::Line, "Line1");
    line.setLine(3000, 150, 300, 150);
    f.Show();

    QWidget* win = window(f);
    EXPECT_EQ(win->geometry(), QRect(100, 50, 300, 200));
    EXPECT_EQ(win->windowFlags() & (Qt::FramelessWindowHint | Qt::WindowType_Mask), Qt::FramelessWindowHint | Qt::Tool);

    // Both edges round to the nearest pixel: -10 twips is -1 px, 990 is 66.
    for (const auto& [c, parent, rect] : {std::tuple{&frame, win, QRect(10, 20, 200, 100)},
                                          {&label, widget(frame), QRect(1, 2, 40, 17)},
                                          {&text, widget(frame), QRect(-1, 40, 67, 19)}})
        EXPECT_EQ(std::pair(widget(*c)->parentWidget(), widget(*c)->geometry()), std::pair(parent, rect)) << c->name();
    // A line right to left still covers its end points.
    EXPECT_EQ(widget(line)->geometry(), QRect(20, 10, 181, 1));
    frame.move(165, 300, 3000, 1500);  // a moving container leaves what is not a list as it lies
    EXPECT_EQ(std::pair(widget(text)->geometry(), widget(line)->geometry()),
              std::pair(QRect(-1, 40, 67, 19), QRect(20, 10, 181, 1)));
}

// A control drawn on its container lies below those with windows, even added after them.
TEST_F(QtHostTest, ChangesOnceShownReachTheWindowAndItsWidgetsWithoutEchoes) {
    Form f(app);
    f.setBorderStyle(0);
    f.setStartUpPosition(2);
    f.move(0, 0, 4500, 1500);
    forms::Control& frame = At(f.add(Kind::Frame, "Frame1"), 0, 0, 1500, 1500);
    forms::Control& text = At(f.add(Kind::TextBox, "Text1", -1, &frame), 0, 0, 1500, 285);
    forms::Control& image = At(f.add(Kind::Image, "Image1", -1, &frame), 0, 0, 1500, 285);
    forms::Control& label = At(f.add(Kind::Label, "Label1", -1, &frame), 0, 0, 1500, 285);
    forms::Control& outline = At(f.add(Kind::Shape, "Shape1", -1, &frame), 0, 0, 1500, 1500);
    label.setBackStyle(0);
    outline.setBackStyle(0);
    forms::Control& combo = At(f.add(Kind::ComboBox, "Combo1"), 0, 1000, 1500, 315);
    int changes = 0, clicks = 0;
    text.Change = [&] { ++changes; };
    combo.Click = [&] { ++clicks; };
    f.Show();
    QWidget* w = window(f);
    auto* le = static_cast<QLineEdit*>(widget(text));
    auto* cb = static_cast<QComboBox*>(widget(combo));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((w->geometry().center() - screen.center()).manhattanLength(), 2);
    EXPECT_FALSE(w->windowIcon().isNull());
    const QList<QObject*> children = widget(frame)->children();
    // A clear caption stays over the picture it names, and an outline under what it frames.
    const auto order = [&](const forms::Control& c) { return children.indexOf(widget(c)); };
    EXPECT_TRUE(order(outline) < order(image) && order(image) < order(label) && order(label) < order(text));

    f.setCaption("Changed");
    f.setBackColor(forms::RGB(200, 200, 200));
    const qint64 icon = w->windowIcon().cacheKey();
    f.setIcon({104, {}});
    text.setFont({.bold = true});
    text.setText("512");
    text.setBackColor(forms::RGB(0, 0, 128));
    text.setForeColor(forms::RGB(255, 255, 0));
    text.setToolTipText("Megabytes");
    text.setAlignment(1);
    text.setBorderStyle(0);
    combo.setBackColor(forms::RGB(0, 128, 0));
    for (const char* item : {"a", "b", "c"}) combo.addItem(item);
    combo.setListIndex(1);
    forms::Control& late = At(f.add(Kind::PictureBox, "Picture1"), 3000, 0, 1500, 1500);  // still inside the outline
    late.setBorderStyle(0);
    late.setBackColor(forms::RGB(0, 100, 0));
    EXPECT_EQ(w->windowTitle(), "Changed");
    EXPECT_NE(w->windowIcon().cacheKey(), icon);
    const QImage face = w->grab().toImage();
    EXPECT_EQ(QColor(face.pixel(250, 30)), QColor(0, 100, 0));
    EXPECT_EQ(QColor(face.pixel(299, 30)), QColor(121, 121, 121));  // the outline, a shade of the page
    // One Change: the model's own, nothing from the widget.
    EXPECT_EQ(std::tuple(le->text(), changes, le->toolTip()), std::tuple(QString("512"), 1, QString("Megabytes")));
    EXPECT_EQ(std::pair(le->palette().color(QPalette::Base), le->palette().color(QPalette::Text)),
              std::pair(QColor(0, 0, 128), QColor(255, 255, 0)));
    EXPECT_TRUE(le->font().bold() && (le->alignment() & Qt::AlignRight) && !le->hasFrame());
    EXPECT_EQ(cb->palette().color(QPalette::Button), QColor(0, 128, 0));  // not a dark theme's
    EXPECT_EQ(std::tuple(cb->count(), cb->currentIndex(), clicks), std::tuple(3, 1, 1));
    combo.clear();
    combo.addItem("english");
    EXPECT_EQ(std::pair(cb->count(), cb->itemText(0)), std::pair(1, QString("english")));

    frame.setEnabled(false);
    EXPECT_FALSE(le->isEnabled());
    frame.setEnabled(true);
    le->setFocus();
    le->end(false);
    le->insert("0");
    EXPECT_EQ(std::pair(text.text(), changes), std::pair(std::string("5120"), 2));
    cb->activated(0);
    EXPECT_EQ(std::pair(combo.listIndex(), clicks), std::pair(0, 2));
}

// Without a window manager the host drags the window; the point under the pointer stays (the corner jumped once).
TEST_F(QtHostTest, AWindowDraggedByItsTitleFollowsThePointerUntilTheButtonGoesUp) {
    Form f(app);
    f.setBorderStyle(0);
    f.move(1500, 750, 3000, 1500);
    forms::Control& title = At(f.add(Kind::Label, "Label20"), 0, 0, 3000, 300);
    int shift = -1;
    title.MouseMove = [&](int button, int keys, float, float) {
        shift = keys;
        if (button == forms::vbLeftButton) host.BeginWindowDrag(f);
    };
    int released = 0;
    title.MouseUp = [&](int button, int, float, float) { released = button; };
    f.Show();
    QWindow* handle = window(f)->windowHandle();
    const auto pointerTo = [&](QPoint global, Qt::MouseButtons buttons) {
        QCursor::setPos(global);
        QMouseEvent move(QEvent::MouseMove, widget(title)->mapFromGlobal(global), global, Qt::NoButton, buttons,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(widget(title), &move);
    };
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 5));
    pointerTo({112, 55}, Qt::LeftButton);  // the drag begins
    pointerTo({142, 75}, Qt::LeftButton);
    EXPECT_EQ(std::pair(f.left(), f.top()), std::pair(130 * 15, 70 * 15));
    bool ticked = false;  // the program's timers go on meanwhile
    QTimer::singleShot(0, [&] { ticked = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ticked);
    pointerTo({150, 90}, Qt::NoButton);  // the button went up where nothing saw it: the drag is over
    EXPECT_EQ(std::pair(f.left(), f.top()), std::pair(130 * 15, 70 * 15));
    EXPECT_EQ(shift, 0);  // no key held
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(20, 20));  // where the pointer is now
    pointerTo({200, 200}, Qt::LeftButton);
    EXPECT_EQ(std::tuple(f.left(), f.top(), released), std::tuple(130 * 15, 70 * 15, forms::vbLeftButton));
    for (const auto& [button, number] : {std::pair{Qt::RightButton, 2}, {Qt::MiddleButton, 4}}) {
        QTest::mouseClick(handle, button, {}, QPoint(12, 5));
        EXPECT_EQ(released, number);  // as the forms toolkit numbers them
    }
    QTest::mouseClick(handle, Qt::BackButton, {}, QPoint(12, 5));
    EXPECT_EQ(released, 0);  // one it does not number is none of them
}

// A handler that puts a scroll bar's value back (as spin buttons do) is mirrored, never echoed.
TEST_F(QtHostTest, ButtonsAndScrollBarsTheUserMovesRaiseTheirEventOnce) {
    Form f(app);
    forms::Control& toggle = At(f.add(Kind::CheckBox, "Check1"), 0, 0, 1815, 375);
    toggle.setStyle(1);
    forms::Control& spin = At(f.add(Kind::VScrollBar, "VScroll4"), 2000, 0, 255, 285);
    spin.setMin(100);  // reversed: the upper arrow counts up
    spin.setMax(0);
    spin.setValue(50);
    forms::Control& tall = At(f.add(Kind::VScrollBar, "VScroll1"), 2600, 0, 255, 765);  // 3 times as tall: a bar
    tall.setMax(10);
    tall.setSmallChange(0);  // an arrow still moves by one
    int clicks = 0, changes = 0, tallChanges = 0;
    toggle.Click = [&] { ++clicks; };
    spin.Change = [&] { ++changes; };
    tall.Change = [&] {
        ++tallChanges;
        if (tall.value() == 1) tall.setValue(5);
    };
    f.Show();
    toggle.setCaption("Fish && &Chips");  // while shown

    auto* button = static_cast<QAbstractButton*>(widget(toggle));
    Click(button);
    EXPECT_EQ(std::pair(toggle.value(), clicks), std::pair(forms::vbChecked, 1));
    Click(button);
    EXPECT_EQ(std::pair(toggle.value(), clicks), std::pair(forms::vbUnchecked, 2));
    const QImage released = button->grab().toImage();
    toggle.setValue(forms::vbChecked);
    EXPECT_EQ(clicks, 3);
    EXPECT_NE(button->grab().toImage(), released);
    // "&&" is a literal ampersand; the single "&" marks the access key; a screen reader hears neither.
    EXPECT_EQ(button->text(), "Fish && &Chips");
    EXPECT_EQ(button->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    toggle.setAccessibleDescription("Fried fish");
    EXPECT_EQ(std::pair(button->accessibleName(), button->accessibleDescription()),
              std::pair(QString("Fish & Chips"), QString("Fried fish")));
    // Only the left button clicks; a disabled button not at all.
    Click(button, button->rect().center(), Qt::RightButton);
    toggle.setEnabled(false);
    Click(button);
    EXPECT_EQ(clicks, 3);

    QWidget* arrows = widget(spin);
    Click(arrows, QPoint(arrows->width() / 2, 2));
    EXPECT_EQ(std::pair(spin.value(), changes), std::pair(51, 1));
    Click(arrows, QPoint(arrows->width() / 2, arrows->height() - 2));
    EXPECT_EQ(std::pair(spin.value(), changes), std::pair(50, 2));
    auto* bar = qobject_cast<QScrollBar*>(widget(tall));
    ASSERT_NE(bar, nullptr);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(std::tuple(tall.value(), bar->value(), tallChanges), std::tuple(5, 5, 2));
}

TEST_F(QtHostTest, AListWithAHorizontalExtentScrollsSidewaysOverExactlyThatWidth) {
    Form f(app);
    forms::Control& list = At(f.add(Kind::ListBox, "List2"), 0, 0, 3705, 1815);
    list.addItem(std::string(200, 'w'));  // without an extent, as far as its longest item needs
    f.Show();
    auto* lw = static_cast<QListWidget*>(widget(list));
    const auto sideways = [lw] {
        QApplication::processEvents();
        return std::pair(lw->horizontalScrollBar()->isVisible(),
                         lw->horizontalScrollBar()->maximum() + lw->viewport()->width());
    };
    EXPECT_TRUE(sideways().first);
    list.clear();
    list.addItem("short");  // narrower than the list: the extent alone makes it scroll
    list.setHorizontalExtent(494);
    EXPECT_EQ(sideways(), std::pair(true, 494));
    for (int i = 0; i < 40; ++i) list.addItem(std::string(i * 10, 'x'));  // nor do items of any width
    EXPECT_EQ(sideways(), std::pair(true, 494));
    list.setHorizontalExtent(100);  // one the list is wider than: nothing to scroll sideways
    EXPECT_FALSE(sideways().first);
    EXPECT_EQ(lw->horizontalScrollBar()->maximum(), 0);
}

TEST_F(QtHostTest, PicturesClipWhatTheyPrintAndLabelsShowTheirPageThroughUnlessTheyHaveABackground) {
    Form f(app);
    f.move(0, 0, 6000, 3000);
    forms::Control& page = At(f.add(Kind::Frame, "Frame1"), 0, 0, 3000, 1500);
    page.setBackColor(forms::RGB(200, 40, 40));
    forms::Control& clear = At(f.add(Kind::Label, "Label1", -1, &page), 150, 150, 600, 300);
    forms::Control& solid = At(f.add(Kind::Label, "Label2", -1, &page), 1500, 150, 600, 300);
    forms::Control& picture = At(f.add(Kind::PictureBox, "Picture1", -1, &page), 150, 600, 600, 300);
    for (forms::Control* c : {&clear, &solid, &picture}) c->setBackColor(forms::RGB(0, 0, 255));
    clear.setBackStyle(0);
    picture.setBorderStyle(0);
    forms::Control& pic = At(f.add(Kind::PictureBox, "Picture2"), 3150, 150, 750, 375);
    pic.setBackColor(forms::RGB(0, 0, 0));
    pic.setForeColor(forms::RGB(0, 224, 96));
    f.Show();

    const QImage img = window(f)->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(20, 15)), QColor(200, 40, 40));
    EXPECT_EQ(QColor(img.pixel(120, 15)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(img.pixel(10, 40)), QColor(0, 0, 255));  // the borderless picture's very corner
    // The one that covers itself spares its page a repaint underneath.
    EXPECT_TRUE(widget(solid)->testAttribute(Qt::WA_OpaquePaintEvent));

    QWidget* w = widget(pic);
    const QColor ink(0, 224, 96);
    pic.print("\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588");  // runs past the right edge
    EXPECT_GT(CountColor(w, ink), 0);
    EXPECT_EQ(CountColor(window(f), ink, QRect(w->geometry().right() + 1, 0, 50, 100)), 0);
    pic.cls();
    EXPECT_EQ(CountColor(w, ink), 0);
}

TEST_F(QtHostTest, PopupMenuDrawsTheDefaultItemBoldAndMarksCheckedSubItems) {
    Form f(app);
    forms::MenuItem& file = f.menuRoot().add("file_menu", "file");
    forms::MenuItem& restore = file.add("restore_menu", "&Restore");
    file.add("Skins_MEnu", "Skins").add("Skins_names", "Blue", 1).setChecked(true);
    f.Load();

    bool boldDefault = false, subChecked = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu open";
        boldDefault = menu->actions().front()->font().bold();
        if (QMenu* sub = menu->actions().back()->menu()) subChecked = sub->actions().front()->isChecked();
        menu->close();
    });
    host.PopupMenu(f, file, &restore);
    EXPECT_TRUE(boldDefault && subChecked);
}

// A shown window's taskbar entry, hiding, and placing and showing without the focus, as the pop-up is.
TEST_F(QtHostTest, AShownWindowFollowsItsForm) {
    Form f(app);
    f.setShowInTaskbar(false);
    f.Show();
    QWidget* w = window(f);
    f.setShowInTaskbar(true);
    EXPECT_EQ(w->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    // Activated once by showing it, not again as the window system activates it; changes of its
    // colours are no activations.
    w->activateWindow();
    QCoreApplication::processEvents();
    for (forms::Color c : {forms::RGB(1, 2, 3), forms::RGB(4, 5, 6)}) f.setBackColor(c);
    EXPECT_EQ(f.activations, 1);
    {  // brought back to the front from behind another window, as a later start asks
        Form other(app);
        other.Show();
        window(other)->activateWindow();
        host.ActivateWindow(f);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), w);
    }
    // Where the window manager puts the window, the form learns, but not while it is minimised.
    const auto managerMoves = [&](QPoint to) {
        const QPoint from = w->pos();
        w->move(to);
        QMoveEvent moved(to, from);
        QSpontaneKeyEvent::setSpontaneous(&moved);
        qApp->notify(w, &moved);  // as the window system delivers it, unlike sendEvent
    };
    managerMoves({40, 30});
    EXPECT_EQ(std::pair(f.left(), f.top()), std::pair(600, 450));
    w->showMinimized();
    managerMoves({-32000, -32000});
    EXPECT_EQ(std::pair(f.left(), f.top()), std::pair(600, 450));
    f.Hide();
    host.SetWindowPos(f, host::HWND_TOPMOST, 30, 40, 120, 60, host::SWP_SHOWWINDOW | host::SWP_NOACTIVATE);
    EXPECT_EQ(std::pair(w->isVisible(), QRect(w->pos(), w->size())), std::pair(true, QRect(30, 40, 120, 60)));
    EXPECT_FALSE(w->testAttribute(Qt::WA_ShowWithoutActivating));  // only that showing; a later one takes the focus
    host.SetWindowPos(f, host::HWND_TOPMOST, 30, 40, 0, 0, 0);
    EXPECT_EQ(w->size(), QSize(1, 1));  // never an empty window, which X refuses

    // The busy pointer covers the whole program while it is set.
    host.SetMousePointer(host::vbHourglass);
    host.SetMousePointer(host::vbHourglass);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.SetMousePointer(host::vbDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Shown modally, it alone takes input until it goes.
    bool modal = false;
    QTimer::singleShot(0, [&] {
        modal = QApplication::activeModalWidget() == w;
        f.Hide();
    });
    f.Show(true);
    EXPECT_TRUE(modal);
}

TEST_F(QtHostTest, WithoutATrayTheHiddenTrayWindowKeepsATaskbarEntryAndTheIconItsTip) {
    ASSERT_FALSE(host.TrayAvailable());  // offscreen
    Form f(app);
    f.setShowInTaskbar(false);
    f.Show();
    f.Hide();  // before there is an icon: simply hidden

    host::NotifyIconData data;
    data.window = &f;
    data.flags = host::NIF_MESSAGE | host::NIF_TIP;
    data.tip = {'T', 'a', 'r', 'n', 'o', 'l', 'u', 'x', ' '};
    ASSERT_TRUE(host.ShellNotifyIcon(host::NIM_ADD, data));
    QSystemTrayIcon* tray = qthost::QtHostAccess::tray(host);
    EXPECT_EQ(tray->toolTip(), "Tarnolux ");
    EXPECT_FALSE(tray->icon().isNull());  // added without a picture, it is no empty spot
    QCoreApplication::processEvents();
    EXPECT_EQ(window(f)->windowFlags() & Qt::WindowType_Mask, Qt::Window);  // the tray cannot be reached
    EXPECT_TRUE(window(f)->isMinimized());  // so the taskbar is the way back
    data.flags |= host::NIF_ICON;
    data.tip = {'5', '1', '2', ' ', 'M', 'B'};
    data.icon = {};  // no picture: the program's own icon
    ASSERT_TRUE(host.ShellNotifyIcon(host::NIM_MODIFY, data));
    EXPECT_EQ(tray->toolTip(), "512 MB");
    EXPECT_EQ(tray->icon().cacheKey(), window(f)->windowIcon().cacheKey());  // as a window without one
    data.icon.file = TARNOLUX_SOURCE_DIR "/resources/icons/1.png";  // given again each tick, made once
    ASSERT_TRUE(host.ShellNotifyIcon(host::NIM_MODIFY, data));
    const qint64 made = tray->icon().cacheKey();
    ASSERT_TRUE(host.ShellNotifyIcon(host::NIM_MODIFY, data) && tray->icon().cacheKey() == made);

    f.Hide();
    EXPECT_EQ(window(f)->windowFlags() & Qt::WindowType_Mask, Qt::Window);  // a taskbar entry to come back by
    window(f)->showNormal();  // as the user brings it back there
    EXPECT_TRUE(f.visible());
    f.Hide();

    // Mouse notifications: double-click and context press; a single click means nothing here.
    std::vector<int> messages;
    host.TrayMouse = [&](int m) { messages.push_back(m); };
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context})
        tray->activated(reason);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, (std::vector<int>{host::WM_LBUTTONDBLCLK, host::WM_RBUTTONDOWN}));
    host.TrayMouse = nullptr;
    const QPointer<QSystemTrayIcon> removed = tray;
    EXPECT_TRUE(host.ShellNotifyIcon(host::NIM_DELETE, data));
    EXPECT_TRUE(!removed || !removed->isVisible());  // gone at once, not at the next events
}

// An instance that ends while asked is noticed at once, not after the silence a busy one is allowed.
TEST_F(QtHostTest, ALaterStartWhoseInstanceHangsUpIsToldAtOnce) {
    const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/hangs-up.socket";
    ::unlink(path.c_str());
    testsupport::SilentSocket instance(path);
    ASSERT_TRUE(instance.ok());
    std::thread hangsUp([&instance] {
        char request[64];
        const int c = ::accept(instance.fd(), nullptr, nullptr);
        if (::read(c, request, sizeof request) <= 0) ADD_FAILURE() << "no request";
        ::close(c);
    });
    host.laterStartTiming.silence = std::chrono::hours(1);
    EXPECT_EQ(host.SendToRunningInstance(path, "show"), std::nullopt);
    hangsUp.join();
}

// A running instance that does not listen yet, as while it starts, is tried again for a while.
TEST_F(QtHostTest, ALaterStartReachesAnInstanceThatListensOnlyLater) {
    const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/late.socket";
    ::unlink(path.c_str());
    std::thread late([&path] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        testsupport::SilentSocket instance(path);
        pollfd asked{instance.fd(), POLLIN, 0};
        const int c = ::poll(&asked, 1, 5000) == 1 ? ::accept(instance.fd(), nullptr, nullptr) : -1;
        char request[64];
        if (c < 0 || ::read(c, request, sizeof request) <= 0 || ::write(c, "ok\n", 3) != 3) ADD_FAILURE();
        ::close(c);
    });
    EXPECT_EQ(host.SendToRunningInstance(path, "show"), "ok");
    late.join();
}

TEST_F(QtHostTest, OnlyTheUsersOwnLaterStartsCanReachTheInstanceAndEachLeavesNothingBehind) {
    const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/own.socket";
    ASSERT_TRUE(host.ListenForLaterStarts(path));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0700));
    QLocalSocket later;  // one that goes without a word, as a start killed early does
    later.connectToServer(QString::fromStdString(path));
    const auto clients = [&] { return qthost::QtHostAccess::laterStarts(host)->findChildren<QLocalSocket*>().size(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return clients() == 1; }));
    later.disconnectFromServer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clients() == 0; }));
}

// A signal once the program has ended in order and its watcher has gone ends it with the status it chose, 0 too.
TEST(QtSignals, ASignalDuringTheTeardownKeepsTheOrderlyEndsStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto teardown = [] {
        { const qthost::SignalWatcher watcher([] {}); }
        qthost::EndedInOrder(0);
        ::raise(SIGTERM);
        for (;;) ::pause();
    };
    EXPECT_EXIT(teardown(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
