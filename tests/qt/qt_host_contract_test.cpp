// The host contract against the Qt host, offscreen: the user's hand is events sent to its widgets.
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "../host_contract.h"
#include "../linux_options.h"
#include "qt_support.h"

namespace {

class QtDriver {
public:
    static constexpr bool kHasWindows = true;
    explicit QtDriver(forms::Application& app) : app_(app), host_(app, qttest::Args::argc, qttest::Args::argv) {}
    ~QtDriver() { qttest::EndTest(app_, host_); }
    bool Usable() { return true; }
    host::Host& host() { return host_; }

    void UserCloses(forms::Form& form) { window(form)->close(); }

    // Runs as soon as the menu's own loop serves events: a host that never opened one leaves nothing to do.
    void ChooseInNextMenu(std::string caption) {
        QTimer::singleShot(0, [this, caption] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            menuOffered.clear();
            for (QAction* a : menu->actions()) menuOffered.push_back(a->isSeparator() ? "-" : a->text().toStdString());
            const auto amp = caption.find('&');
            if (amp == std::string::npos || amp + 1 >= caption.size()) menu->close();
            else QTest::keyClick(menu, caption[amp + 1]);  // its access key
        });
    }
    std::vector<std::string> menuOffered;

    void AnswerNextMsgBox(int answer) {
        QTimer::singleShot(0, [answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const std::map<int, QMessageBox::StandardButton> buttons = {{host::vbYes, QMessageBox::Yes},
                {host::vbNo, QMessageBox::No}, {host::vbCancel, QMessageBox::Cancel}, {host::vbOK, QMessageBox::Ok}};
            if (QAbstractButton* b = box->button(buttons.at(answer))) b->click();
            else ADD_FAILURE() << "the box offers no button for " << answer;
        });
    }

    void LetTimePass(int ms) {
        QElapsedTimer passed;
        passed.start();
        do {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (passed.elapsed() < ms);
    }
    bool Shown(const forms::Form& form) { return Visible(form) && !window(form)->isMinimized(); }
    bool Minimised(const forms::Form& form) { return Visible(form) && window(form)->isMinimized(); }
    void WhileWorkRuns(const std::function<void()>&) {}  // the host serves its own events meanwhile
    // Private to the run, and left unanswered as a crashed run leaves it: the host takes its place.
    std::string Channel() {
        const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/tarnolux-contract.socket";
        ::unlink(path.c_str());
        EXPECT_TRUE(testsupport::SilentSocket(path).ok());
        return path;
    }
    std::optional<std::string> SendFromAnotherStart(const std::string& channel, const std::string& request) {
        return hostcontract::SendFromAnotherThread(host_, channel, request, [this] { LetTimePass(5); });
    }

private:
    QWidget* window(const forms::Form& f) { return qthost::QtHostAccess::window(host_, f); }
    bool Visible(const forms::Form& f) { return window(f) && window(f)->isVisible(); }

    forms::Application& app_;
    qthost::QtHost host_;
};

}  // namespace

namespace hostcontract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HostContract, QtDriver);
}
