// What an idle window costs: a graph repaints only what moved, and a box nobody can see holds no
// blinking caret.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPaintEvent>

#include <vector>

#include "qt_support.h"

namespace {

using forms::Kind;

class Form : public forms::Form {
public:
    explicit Form(forms::Application& app) : forms::Form(app, "Idle") {}
    ~Form() override {
        if (loaded()) Unload();
    }
};

// Records the region of every paint the widget receives.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* w) { w->installEventFilter(this); }
    std::vector<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
};

// Lets pending work run, and the window system's repaint requests, which come a little later.
void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

using IdleTest = qttest::QtHostTest;

TEST_F(IdleTest, AGraphRepaintsOnlyThePiecesThatChanged) {
    Form f(app);
    f.move(0, 0, 3000, 1500);
    forms::Control& graph = f.add(Kind::PictureBox, "Picture2");
    graph.move(0, 0, 770, 375);
    const auto draw = [&](int highColumn) {
        graph.cls();
        for (int i = 0; i < 24; ++i) {
            graph.setCurrentX(30 * i);
            graph.setCurrentY(i == highColumn ? 0 : 210);
            graph.print("-");
        }
    };
    draw(0);
    f.Show();
    QWidget* w = widget(graph);
    ASSERT_NE(w, nullptr);
    Settle();
    PaintRecorder paints(w);

    // The same picture printed again: nothing to repaint.
    draw(0);
    Settle();
    EXPECT_TRUE(paints.regions.empty());

    // One dash moved on by a column: its old and new places are repainted, the others are not.
    draw(1);
    Settle();
    ASSERT_FALSE(paints.regions.empty());
    QRegion painted;
    for (const QRegion& r : paints.regions) painted += r;
    const QFontMetrics fm(w->font());
    const auto dashAt = [&](int col, int y) { return QRect(2 * col, y / 15, fm.horizontalAdvance('-'), fm.height()); };
    EXPECT_TRUE(painted.contains(dashAt(0, 0)));
    EXPECT_TRUE(painted.contains(dashAt(1, 0)));
    EXPECT_TRUE(painted.contains(dashAt(0, 210)));
    // Columns lie 2 pixels apart and a dash is wider: those well clear of the change stay as they are.
    for (int col = 8; col < 24; ++col) EXPECT_FALSE(painted.intersects(dashAt(col, 210))) << col;
    f.Unload();
}

TEST_F(IdleTest, ABoxOutsideItsWindowTakesTheFocusWithoutACaret) {
    Form f(app);
    f.move(0, 0, 3000, 1500);
    forms::Control& visible = f.add(Kind::TextBox, "Text1");
    visible.move(120, 120, 1200, 285);
    forms::Control& sink = f.add(Kind::TextBox, "Text5");
    sink.move(7440, 240, 615, 195);
    f.Show();
    window(f)->activateWindow();
    QCoreApplication::processEvents();

    ASSERT_TRUE(host.SetFocus(visible));
    EXPECT_TRUE(widget(visible)->hasFocus());
    // The sink takes the keys away from the visible box, but no caret blinks anywhere.
    EXPECT_TRUE(host.SetFocus(sink));
    EXPECT_FALSE(widget(visible)->hasFocus());
    EXPECT_FALSE(widget(sink)->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), window(f));
    f.Unload();
}

}  // namespace
