// The Qt host on a real desktop: the main window, a dark theme, folder and file lists, an idle window's cost.
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest/QTest>
#include <memory>
#include <string>
#include <tuple>

#include "app/form5.h"
#include "app/program.h"
#include "platform/fake/fake_system.h"
#include "qt_support.h"

namespace {

using forms::Kind;
using namespace qttest;

TEST_F(QtHostTest, UnderADarkThemeAnUntickedBoxStaysLightOnALightPage) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button}) dark.setColor(role, QColor(20, 20, 24));
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        dark.setColor(role, QColor(235, 235, 235));
    QApplication::setPalette(dark);

    forms::Form f(app, "Desk");
    f.move(0, 0, 3000, 3000);
    forms::Control& box = At(f.add(Kind::CheckBox, "Check4"), 0, 0, 2400, 300);
    box.setCaption("Start minimized.");
    box.setForeColor(forms::RGB(0, 0, 0));
    f.Show();

    // The unticked box is light inside, as on the light page (mid grey counts), not a black square.
    QWidget* w = widget(box);
    const int side = w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w);
    for (const auto page : {forms::RGB(236, 239, 244), forms::RGB(128, 128, 128)}) {
        box.setBackColor(page);
        const QImage img = w->grab().toImage();
        EXPECT_GT(QColor(img.pixel(side / 2, img.height() / 2)).lightness(), 200) << page;
    }
    QApplication::setPalette(before);
}

TEST_F(QtHostTest, AListReachingPastItsContainerKeepsItsBorder) {
    forms::Form f(app, "Desk");
    f.move(0, 0, 4500, 3000);
    forms::Control& page = At(f.add(Kind::Frame, "Frame1"), -10, -120, 3700, 2535);
    forms::Control& list = At(f.add(Kind::ListBox, "List2", -1, &page), 0, 240, 3705, 1815);
    f.Show();
    // The frame starts a pixel left of the window; the list is drawn from the first pixel that shows.
    EXPECT_EQ(std::pair(widget(list)->mapTo(window(f), QPoint(0, 0)).x(), widget(list)->width()), std::pair(0, 246));
    page.move(300, -120, 3700, 2535);  // moved back into view: the list takes its full width again
    EXPECT_EQ(widget(list)->geometry().width(), 247);
}

// The folder itself, the folders above it, and one folder below it.
void Fill(forms::Control& dirs) {
    const std::string path = dirs.path();
    dirs.clear();
    dirs.addItem("/");
    for (std::size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/') dirs.addItem(path.substr(0, i));
    dirs.addItem(path + "/x");
}

TEST_F(QtHostTest, AFolderListShowsNamesByDepthAndReportsAChosenFolderOnce) {
    forms::Form form(app, "Desk");
    forms::Control& dirs = At(form.add(Kind::DirListBox, "Dir1"), 0, 0, 2000, 2000);
    forms::Control& files = At(form.add(Kind::FileListBox, "File1"), 2000, 0, 2000, 2000);
    forms::Control& link = form.add(Kind::Label, "Label4");
    link.setMousePointer(forms::vbCustom);
    int changes = 0, doubleClicks = 0;
    dirs.Change = [&] {
        ++changes;
        Fill(dirs);
    };
    files.DblClick = [&] { ++doubleClicks; };
    dirs.setPath("/home");
    files.addItem("a.wav");
    form.Show();

    auto* list = static_cast<QListWidget*>(widget(dirs));
    const auto shown = [list] {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    };
    EXPECT_EQ(std::pair(shown(), list->currentRow()), std::pair(QStringList{"/", "  home", "    x"}, 1));
    const QImage open = list->style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16).toImage();
    for (int i = 0; i < 3; ++i)  // the current folder and those above it are open
        EXPECT_EQ(list->item(i)->icon().pixmap(16).toImage() == open, i < 2) << i;

    changes = 0;
    list->setCurrentRow(2);  // as the user chooses it; the list is refilled while it reports the choice
    EXPECT_EQ(std::tuple(dirs.path(), changes, shown(), list->currentRow()),
              std::tuple(std::string("/home/x"), 1, QStringList{"/", "  home", "    x", "      x"}, 2));

    auto* fileList = static_cast<QListWidget*>(widget(files));
    emit fileList->itemDoubleClicked(fileList->item(0));
    EXPECT_EQ(std::pair(doubleClicks, widget(link)->cursor().shape()), std::pair(1, Qt::PointingHandCursor));
    link.setMousePointer(0);  // the default pointer
    EXPECT_EQ(widget(link)->cursor().shape(), Qt::ArrowCursor);
}

struct PaintRecorder : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

TEST_F(QtHostTest, AGraphRepaintsOnlyWhatChangedAndABoxOutsideItsWindowTakesTheFocusWithoutACaret) {
    forms::Form f(app, "Desk");
    f.move(0, 0, 3000, 1500);
    forms::Control& graph = At(f.add(Kind::PictureBox, "Picture2"), 0, 0, 770, 375);
    forms::Control& visible = At(f.add(Kind::TextBox, "Text1"), 120, 600, 1200, 285);
    forms::Control& sink = At(f.add(Kind::TextBox, "Text5"), 7440, 240, 615, 195);
    forms::Control& left = At(f.add(Kind::TextBox, "Text6"), -615, 240, 615, 195);  // ends where the window begins
    const auto draw = [&](int highColumn) {
        graph.cls();
        for (int i = 23; i >= 0; --i) {  // right to left: the order of printing is not that of places
            graph.setCurrentX(30 * i);
            graph.setCurrentY(i == highColumn ? 0 : 210);
            graph.print("-");
        }
    };
    draw(0);
    f.Show();
    QWidget* w = widget(graph);
    // The window system's repaint requests come a little after the change.
    QTest::qWait(100);
    PaintRecorder paints;
    w->installEventFilter(&paints);
    const QRegion& painted = paints.painted;
    // The same picture printed again: nothing to repaint.
    draw(0);
    QTest::qWait(100);
    EXPECT_TRUE(painted.isEmpty());
    // The high dash moved on by six columns: its old and new places are repainted, the others are not.
    draw(6);
    QTest::qWait(100);
    const QFontMetrics fm(w->font());
    const auto dashAt = [&](int col, int y) { return QRect(2 * col, y / 15, fm.horizontalAdvance('-'), fm.height()); };
    for (const auto& [col, y] : {std::pair{0, 0}, {6, 0}, {0, 210}, {6, 210}})
        EXPECT_TRUE(painted.contains(dashAt(col, y))) << col << " " << y;
    // Columns lie 2 pixels apart and a dash is wider: those well clear of the change stay as they are.
    for (int col = 13; col < 24; ++col) EXPECT_FALSE(painted.intersects(dashAt(col, 210))) << col;
    graph.setFont({.size = 30});  // a larger font: what changes is measured in it
    QTest::qWait(100);
    paints.painted = {};
    draw(0);
    QTest::qWait(100);
    EXPECT_TRUE((QRegion(12, 0, QFontMetrics(w->font()).horizontalAdvance('-'), 1) - painted).isEmpty());
    PaintRecorder whole;
    window(f)->installEventFilter(&whole);
    host.PaintNow(f);  // at once, before the event loop runs again
    EXPECT_FALSE(whole.painted.isEmpty());
    paints.painted = {};
    graph.setPicture({104, {}});  // shown without waiting for another change
    EXPECT_TRUE(QTest::qWaitFor([&] { return !painted.isEmpty(); }, 1000));

    window(f)->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(host.SetFocus(visible));
    EXPECT_TRUE(widget(visible)->hasFocus());
    // The sink takes the keys away from the visible box, but no caret blinks anywhere.
    for (forms::Control* outside : {&sink, &left}) {
        ASSERT_TRUE(host.SetFocus(visible));
        EXPECT_TRUE(host.SetFocus(*outside));
        EXPECT_FALSE(widget(visible)->hasFocus() || widget(*outside)->hasFocus()) << outside->name();
        EXPECT_EQ(QApplication::focusWidget(), window(f));
    }
    f.Hide();  // a hidden window is not waited for, so nothing else runs in the middle of the handler
    QCoreApplication::processEvents();
    bool served = false;
    QTimer::singleShot(0, window(f), [&] { served = true; });
    host.PaintNow(f);
    EXPECT_FALSE(served);
    QCoreApplication::processEvents();
}

class MainWindowTest : public QtHostTest {
protected:
    MainWindowTest() {
        sys.SetMemoryMB(512, 200, 1024, 900, 4096, 4000);
        program = std::make_unique<tarnolux::Program>(app, sys, host);
    }
    ~MainWindowTest() override {
        if (program->form5().loaded()) program->form5().Unload();
        program.reset();
    }
    bool shown(const forms::Control& c) { return widget(c) && widget(c)->isVisible(); }

    platform::FakeSystem sys;
    std::unique_ptr<tarnolux::Program> program;
};

TEST_F(MainWindowTest, BuildsAndItsPageButtonsShowTheirPages) {
    ASSERT_TRUE(program->Start());
    tarnolux::Form5& f = program->form5();
    QWidget* win = window(f);
    ASSERT_TRUE(win && win->isVisible());
    EXPECT_EQ(win->size(), QSize(398, 208));
    EXPECT_GE(qthost::QtHostAccess::fontPx(host, f), 9);
    // Which button stays pressed is the model's (app_test.cpp); here, that the pages follow.
    Click(widget(f.Check1(1)));
    EXPECT_TRUE(shown(f.Frame1(1)) && !shown(f.Frame1(0)));
}

// On a 24 GB machine the Cache bars reach 25165824 KB: every number up to a bar's end shows whole.
TEST_F(MainWindowTest, EveryCacheNumberUpToItsBarsEndShowsWhole) {
    sys.SetMemoryMB(24 * 1024, 200, 1024, 900, 4096, 4000);
    ASSERT_TRUE(program->Start());
    tarnolux::Form5& f = program->form5();
    for (const auto& [box, bar, unit] :
         {std::tuple{&f.Text2(0), f.VScroll1, 1024}, {&f.Text2(1), f.VScroll2, 1024}, {&f.Text2(2), f.VScroll3, 32}}) {
        const QString widest = QString::number(static_cast<qint64>(bar->max()) * unit);
        box->setText(widest.toStdString());
        auto* edit = qobject_cast<QLineEdit*>(widget(*box));
        ASSERT_NE(edit, nullptr);
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
        const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit).width() - 2 * 2;
        EXPECT_LE(QFontMetrics(edit->font()).horizontalAdvance(widest), room) << widest.toStdString();
    }
    EXPECT_EQ(f.Text2(1).text(), "25165824");
}

}  // namespace
