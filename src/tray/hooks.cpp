// Tray menu items whose windows come later (the desktop extras); until then they do nothing.
#include "tray/form6.h"

namespace tarnolux {
void Form6::extras1_menu_Click(int) {}
void Form6::restart_menu_Click() {}
void Form6::exit_windows_menu_Click() {}
}  // namespace tarnolux
