#include "tray/form4.h"

#include "tray/extras_module.h"

namespace tarnolux {

Form4::Form4(Program& program) : forms::Form(program.app, "Form4"), P(program) {
    setCaption(kAppTitle);
    setBorderStyle(3);
    setShowInTaskbar(false);
    move(0, 0, 2310, 495);
    Command1 = &add(forms::Kind::CommandButton, "Command1");
    Command1->move(0, 0, 2295, 495);
    Command1->setCaption("Show");
    Command1->Click = [this] { Command1_Click(); };
}

void Form4::Form_Load() {
    TaskbarShown = false;
    Command1->setCaption(P.ShowTaskbarText);
    move(120, 120);
}

// The window exists exactly while the taskbar is hidden. However it goes (its close box, the end
// of the program), the panels come back with it: nothing else would ever show them again.
void Form4::Form_Unload(int&) {
    if (!TaskbarShown) P.sys.Desktop(platform::DesktopAction::ShowTaskbar);
    TaskbarShown = true;
}

void Form4::Command1_Click() { Extras_module::ShowTaskbar(P); }

}  // namespace tarnolux
