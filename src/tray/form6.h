// The hidden window that carries the tray menu and its handlers; it is never shown itself.
#pragma once

#include <string>

#include "app/control_array.h"
#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

// A menu caption as the menu shows it: "&" marks the access key, "&&" stands for "&".
std::string WithoutAccessKeys(const std::string& caption);

class Form6 : public forms::Form {
public:
    explicit Form6(Program& program);

    Program& P;

    using M = forms::MenuItem*;
    M file_menu{}, restore_menu{}, disable_menu{}, ser443245{}, Skins_MEnu{}, separator1{}, free_up_menu{},
        separator4{}, extras_menu{}, separator2{}, restart_menu{}, exit_windows_menu{}, separator13{},
        readme_file_menu{}, about_menu{}, separator543{}, exit_menu{};
    MenuArray Skins_names{"Skins_names"};
    MenuArray extras1_menu{"extras1_menu"};

    void restore_menu_Click();
    void disable_menu_Click();
    void free_up_menu_Click();
    void about_menu_Click();
    void readme_file_menu_Click();
    void exit_menu_Click();
    void Skins_names_Click(int Index);
    void extras1_menu_Click(int Index);
    void restart_menu_Click();
    void exit_windows_menu_Click();

    // Greys out the extras the desktop has no target for, and offers the others.
    void ShowAvailableExtras();

    // Adds a skin to the Skins submenu at run time, wired to Skins_names_Click.
    forms::MenuItem& AddSkinItem(const std::string& caption);

private:
    void Design();
};

}  // namespace tarnolux
