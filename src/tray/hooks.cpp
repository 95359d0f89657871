// Tray menu items and buttons whose windows come later (the About box and the sound chooser); until
// then they do nothing.
#include "app/form5.h"
#include "tray/form6.h"

namespace tarnolux {
void Form5::Command2_Click() {}
void Form6::about_menu_Click() {}
}  // namespace tarnolux
