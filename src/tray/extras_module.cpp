#include "tray/extras_module.h"

#include <cstdint>
#include <string>

#include "appearance/texts.h"
#include "host/host.h"
#include "tray/form4.h"
#include "tray/form6.h"

namespace tarnolux::Extras_module {

namespace {

using platform::DesktopAction;

void Ask(Program& P, DesktopAction action) { P.sys.Desktop(action); }

}  // namespace

void HideDesktopIcons(Program& P) { Ask(P, DesktopAction::HideDesktopIcons); }
void ShowDesktopIcons(Program& P) { Ask(P, DesktopAction::ShowDesktopIcons); }

void HideTaskbar(Program& P) {
    Ask(P, DesktopAction::HideTaskbar);
    P.form4().Show();
}

void ShowTaskbar(Program& P) {
    Ask(P, DesktopAction::ShowTaskbar);
    if (P.form4Loaded()) {
        Form4& f = P.form4();
        f.TaskbarShown = true;
        f.Unload();
    }
}

void DisableStartButton(Program& P) { Ask(P, DesktopAction::DisableStartButton); }
void EnableStartButton(Program& P) { Ask(P, DesktopAction::EnableStartButton); }

void RunScreenSaver(Program& P, forms::Form&) { Ask(P, DesktopAction::RunScreenSaver); }

// Deleting for good cannot be undone, so the user is told how much goes before anything does. An
// empty bin asks nothing.
void EmptyRecycleBin(Program& P) {
    // Counting reaches into every drive's trash, shares too: the windows stay served meanwhile, and
    // a second click while it counts asks nothing more.
    static bool counting = false;
    if (counting) return;
    counting = true;
    std::uint64_t items = 0;
    P.host.RunAside([&](std::stop_token) { items = P.sys.RecycleBinItems(); });
    counting = false;
    if (items == 0) return;
    const std::string prompt =
        items == 1 ? Text(P, "MsgEmptyBinOne") : FillIn(Text(P, "MsgEmptyBinMany"), {std::to_string(items)});
    std::string title = "Empty Recycle Bin";
    if (P.form6Loaded() && P.form6().extras1_menu.exists(11)) {
        const std::string caption = WithoutAccessKeys(P.form6().extras1_menu(11).caption());
        if (!caption.empty()) title = caption;
    }
    if (P.host.MsgBox(prompt, host::vbYesNo + host::vbExclamation, title) == host::vbYes) P.sys.EmptyRecycleBin();
}

void MinimizeAll(Program& P) { Ask(P, DesktopAction::MinimizeAll); }
void RestartWindows(Program& P) { P.sys.ExitWindows(platform::ExitWindowsMode::Restart); }
void ExitWindows(Program& P) { P.sys.ExitWindows(platform::ExitWindowsMode::ShutDown); }

}  // namespace tarnolux::Extras_module
