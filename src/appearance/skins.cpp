// Skins colour the main window. Applying a skin file comes with the skins; until then the built-in
// colours stay.
#include "app/form5.h"
#include "tray/form6.h"

namespace tarnolux {
void Form5::LoadSkin(const std::string&) {}
void Form6::Skins_names_Click(int) {}
}  // namespace tarnolux
