// The tray menu: its whole tree, and the commands restore, disable/enable, free up, ReadMe and exit.
#include "tray/form6.h"

#include <cstdint>
#include <optional>

#include "app/form5.h"
#include "common/convert.h"
#include "freeup/form2.h"
#include "freeup/reporting.h"
#include "settings/modules.h"
#include "tray/taskbar_icon.h"

namespace tarnolux {

namespace {

constexpr int kIconRunning = 101;   // green lamps
constexpr int kIconDisabled = 104;  // lamps crossed out

// Built-in captions of the disable item, for when no language file has filled the texts.
const std::string kDisableCaption = "Disable";
const std::string kEnableCaption = "Enable";

const std::string& OrBuiltIn(const std::string& text, const std::string& builtIn) {
    return text.empty() ? builtIn : text;
}

}  // namespace

std::string WithoutAccessKeys(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        else if (caption[i] == '&') break;
        text += caption[i];
    }
    return text;
}

Form6::Form6(Program& program) : forms::Form(program.app, "Form6"), P(program) {
    Design();
    // Asked once at start-up as well: where the answers take a moment to come, they are in before
    // the menu first opens.
    ShowAvailableExtras();
}

void Form6::Design() {
    setCaption("Form6");
    forms::MenuItem& root = menuRoot();
    file_menu = &root.add("file_menu", "file");
    forms::MenuItem& file = *file_menu;
    restore_menu = &file.add("restore_menu", "Restore");
    disable_menu = &file.add("disable_menu", "Disable");
    disable_menu->setTag("0");
    ser443245 = &file.add("ser443245", "-");
    Skins_MEnu = &file.add("Skins_MEnu", "Skins");
    AddSkinItem("Default");
    separator1 = &file.add("separator1", "-");
    free_up_menu = &file.add("free_up_menu", "Free up memory &Now");
    separator4 = &file.add("separator4", "-");
    extras_menu = &file.add("extras_menu", "&Extras");
    const char* extras[] = {"Hide Desktop",     "Show Desktop", "-", "Hide Taskbar", "Show Taskbar",
                            "-",                "Disable Start", "Enable Start", "-", "Run ScreenSaver",
                            "-",                "Empty Recycle Bin", "-", "Minimize All"};
    for (int i = 0; i < 14; ++i) {
        forms::MenuItem& m = extras1_menu.add(*extras_menu, i, extras[i]);
        m.Click = [this, i] { extras1_menu_Click(i); };
    }
    separator2 = &file.add("separator2", "-");
    restart_menu = &file.add("restart_menu", "Restart Windows");
    exit_windows_menu = &file.add("exit_windows_menu", "Exit Windows");
    separator13 = &file.add("separator13", "-");
    readme_file_menu = &file.add("readme_file_menu", "ReadMe");
    about_menu = &file.add("about_menu", "About");
    separator543 = &file.add("separator543", "-");
    exit_menu = &file.add("exit_menu", "&Exit");

    restore_menu->Click = [this] { restore_menu_Click(); };
    disable_menu->Click = [this] { disable_menu_Click(); };
    free_up_menu->Click = [this] { free_up_menu_Click(); };
    restart_menu->Click = [this] { restart_menu_Click(); };
    exit_windows_menu->Click = [this] { exit_windows_menu_Click(); };
    readme_file_menu->Click = [this] { readme_file_menu_Click(); };
    about_menu->Click = [this] { about_menu_Click(); };
    exit_menu->Click = [this] { exit_menu_Click(); };
}

forms::MenuItem& Form6::AddSkinItem(const std::string& caption) {
    const int index = Skins_names.count();
    forms::MenuItem& m = Skins_names.add(*Skins_MEnu, index, caption);
    m.Click = [this, index] { Skins_names_Click(index); };
    return m;
}

void Form6::restore_menu_Click() {
    Form5& main = P.form5();
    if (!main.loaded()) return;  // showing it would start the program over
    main.Show();
    BringToFrontOnce(P, main);
}

void Form6::disable_menu_Click() {
    Form5& main = P.form5();
    if (ToInt32Or(disable_menu->tag(), 0) == 0) {
        main.Timer1->setEnabled(false);
        main.Timer4->setEnabled(false);
        main.Timer5->setEnabled(false);
        main.Frame1(3).setEnabled(false);
        disable_menu->setTag("1");
        const forms::Picture crossedOut{kIconDisabled, {}};
        main.setIcon(crossedOut);
        TaskBar_Icon::TraySetIcon(P, crossedOut, false);
        const std::string tip = kAppTitle + " - " + WithoutAccessKeys(disable_menu->caption());
        disable_menu->setCaption(OrBuiltIn(P.MenuTexts[17], kEnableCaption));
        TaskBar_Icon::TraySetTip(P, tip);
    } else {
        main.Timer4->setEnabled(true);
        main.Timer1->setEnabled(true);
        if (main.Check3->value() == forms::vbChecked) main.Timer5->setEnabled(true);
        main.Frame1(3).setEnabled(true);
        disable_menu->setTag("0");
        disable_menu->setCaption(OrBuiltIn(P.MenuTexts[1], kDisableCaption));
        const forms::Picture green{kIconRunning, {}};
        main.setIcon(green);
        TaskBar_Icon::TraySetIcon(P, green, false);
    }
}

void Form6::free_up_menu_Click() { FreeUpNow(P, Trigger::Menu, ToInt32(P.form5().Text2(4).text())); }

void Form6::readme_file_menu_Click() {
    P.sys.ShellExecute(General::ProgramFolder(P.sys) + General::Sep(P.sys) + "ReadMe.txt");
}

void Form6::exit_menu_Click() { P.form5().Unload(); }

}  // namespace tarnolux
