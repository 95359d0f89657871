#include "tray/form6.h"

#include "app/form5.h"

namespace tarnolux {

Form6::Form6(Program& program) : forms::Form(program.app, "Form6"), P(program) { Design(); }
void Form6::Design() {}
forms::MenuItem& Form6::AddSkinItem(const std::string& caption) {
    forms::MenuItem& m = Skins_names.add(*Skins_MEnu, Skins_names.count(), caption);
    return m;
}
void Form6::restore_menu_Click() {}
void Form6::disable_menu_Click() {}
void Form6::free_up_menu_Click() {}
void Form6::readme_file_menu_Click() {}
void Form6::exit_menu_Click() {}

}  // namespace tarnolux
