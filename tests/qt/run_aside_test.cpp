// Long work off the user-interface thread: the windows stay served meanwhile, and the program's end
// asks the work to stop.
#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/form5.h"
#include "app/program.h"
#include "freeup/form2.h"
#include "platform/fake/fake_system.h"
#include "qt_support.h"

namespace {

using namespace std::chrono_literals;

// Waits on this (the work's) thread, at most a few seconds, until `ready` holds.
template <typename Ready>
bool WaitFor(Ready ready) {
    for (int i = 0; i < 500; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return ready();
}

// Notes, on the user-interface thread, that a widget has been painted.
class PaintSeen : public QObject {
public:
    explicit PaintSeen(QWidget* w) { w->installEventFilter(this); }
    std::atomic<bool> seen{false};

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) seen = true;
        return false;
    }
};

using RunAsideTest = qttest::QtHostTest;

TEST_F(RunAsideTest, AFreeUpLeavesTheWindowsServedWhileItClaims) {
    platform::FakeSystem sys;
    sys.SetMemoryMB(512, 200, 1024, 900, 4096, 4000);
    auto program = std::make_unique<tarnolux::Program>(app, sys, host);
    ASSERT_TRUE(program->Start());
    tarnolux::Form5& f = program->form5();
    f.Check4(2).setValue(forms::vbChecked);
    f.Check4(3).setValue(forms::vbChecked);
    sys.AddFile("/snd/ding.wav", "RIFF");
    f.Text6->setText("/snd/ding.wav");
    ASSERT_NE(window(program->form2()), nullptr);
    PaintSeen popupPaint(window(program->form2()));

    // Under a window manager the pop-up takes a moment to be mapped: the sound waits for its paint.
    bool paintedBeforeSound = false;
    sys.onPlayWave = [&](const std::string&) { paintedBeforeSound = popupPaint.seen; };
    std::atomic<bool> served{false};
    bool sawServed = false, popupShown = false;
    sys.onClaim = [&](std::uint64_t) {
        QMetaObject::invokeMethod(qApp, [&] {
            served = true;
            popupShown = window(program->form2()) && window(program->form2())->isVisible();
        }, Qt::QueuedConnection);
        sawServed = WaitFor([&] { return served.load(); });
    };
    std::int32_t mb = 10;
    f.DefragMemoryNow(mb);
    EXPECT_TRUE(paintedBeforeSound);
    EXPECT_TRUE(sawServed);
    EXPECT_TRUE(popupShown);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{10u << 20});
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_FALSE(program->form2().visible());
    EXPECT_FALSE(f.Defragging);

    f.Unload();
    program.reset();
}

}  // namespace
