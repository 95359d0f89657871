// The Extras submenu of the tray menu, and the restart and shut-down items.
#include "app/form5.h"
#include "tray/extras_module.h"
#include "tray/form6.h"

namespace tarnolux {

void Form6::extras1_menu_Click(int Index) {
    switch (Index) {
    case 0: Extras_module::HideDesktopIcons(P); break;
    case 1: Extras_module::ShowDesktopIcons(P); break;
    case 3: Extras_module::HideTaskbar(P); break;
    case 4: Extras_module::ShowTaskbar(P); break;
    case 6: Extras_module::DisableStartButton(P); break;
    case 7: Extras_module::EnableStartButton(P); break;
    case 9: Extras_module::RunScreenSaver(P, P.form5()); break;
    case 11: Extras_module::EmptyRecycleBin(P); break;
    case 13: Extras_module::MinimizeAll(P); break;
    default: break;  // separators
    }
}

void Form6::restart_menu_Click() { Extras_module::RestartWindows(P); }
void Form6::exit_windows_menu_Click() { Extras_module::ExitWindows(P); }

// Items whose desktop counterpart is missing stay in the menu, greyed out. Asked afresh before
// every pop-up, because panels and services come and go while the program runs.
void Form6::ShowAvailableExtras() {
    const platform::ExtrasAvailability a = P.sys.AvailableExtras();
    const auto offer = [this](int index, bool on) {
        if (extras1_menu.exists(index)) extras1_menu(index).setEnabled(on);
    };
    offer(0, a.desktopIcons);
    offer(1, a.desktopIcons);
    offer(3, a.taskbar);
    // The way back stays open while this program keeps the taskbar hidden.
    offer(4, a.taskbar || P.form4Loaded());
    offer(6, a.startButton);
    offer(7, a.startButton);
    offer(9, a.screenSaver);
    offer(11, a.recycleBin);
    offer(13, a.minimizeAll);
    if (restart_menu) restart_menu->setEnabled(a.restart);
    if (exit_windows_menu) exit_windows_menu->setEnabled(a.shutDown);
}

}  // namespace tarnolux
