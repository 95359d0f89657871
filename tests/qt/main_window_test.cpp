// The program's main window on the Qt host (offscreen, fake platform): it builds, its page buttons
// switch pages, and its close button ends the program.
#include <QAbstractButton>

#include <memory>

#include "app/form5.h"
#include "app/program.h"
#include "platform/fake/fake_system.h"
#include "qt_support.h"

namespace {

using qttest::Click;

class MainWindowTest : public qttest::QtHostTest {
protected:
    MainWindowTest() {
        sys.SetMemoryMB(512, 200, 1024, 900, 4096, 4000);
        program = std::make_unique<tarnolux::Program>(app, sys, host);
    }
    ~MainWindowTest() override {
        if (program->form5().loaded()) program->form5().Unload();
        program.reset();
    }
    bool shown(const forms::Control& c) {
        QWidget* w = widget(c);
        return w && w->isVisible();
    }

    platform::FakeSystem sys;
    std::unique_ptr<tarnolux::Program> program;
};

TEST_F(MainWindowTest, BuildsAndItsPageButtonsShowTheirPages) {
    ASSERT_TRUE(program->Start());
    tarnolux::Form5& f = program->form5();
    QWidget* win = window(f);
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->size(), QSize(398, 208));
    EXPECT_GE(qthost::QtHostAccess::fontPx(host, f), 9);

    EXPECT_TRUE(shown(f.Frame1(0)));
    EXPECT_FALSE(shown(f.Frame1(1)));

    Click(widget(f.Check1(1)));
    EXPECT_TRUE(shown(f.Frame1(1)));
    EXPECT_FALSE(shown(f.Frame1(0)));
    EXPECT_EQ(f.Check1(1).value(), forms::vbChecked);
    EXPECT_EQ(f.Check1(0).value(), forms::vbUnchecked);

    // A click on the pressed button sets the page up again and leaves it pressed.
    Click(widget(f.Check1(1)));
    EXPECT_TRUE(shown(f.Frame1(1)));
    EXPECT_EQ(f.Check1(1).value(), forms::vbChecked);

    Click(widget(*f.Check2));
    EXPECT_TRUE(shown(*f.Frame2));
    EXPECT_FALSE(shown(f.Frame1(1)));
    EXPECT_EQ(f.Check1(1).value(), forms::vbUnchecked);
}

TEST_F(MainWindowTest, TheCloseButtonEndsTheProgram) {
    ASSERT_TRUE(program->Start());
    tarnolux::Form5& f = program->form5();
    ASSERT_NE(qthost::QtHostAccess::tray(host), nullptr);
    Click(widget(*f.Check5));
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(window(f), nullptr);
    EXPECT_EQ(qthost::QtHostAccess::tray(host), nullptr);
    EXPECT_EQ(host.Run(), 0);
}

}  // namespace
