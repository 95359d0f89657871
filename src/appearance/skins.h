// Where skins come from: the program's Skins folder, then the user's own (which needs no write access
// to the program folder). A user file takes the place of the program's file of the same name.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"

namespace tarnolux::Skins {

// The names of the Skins submenu after its fixed "Default" item: one per file, the program's first,
// each name once (without regard to case), the default skin never.
std::vector<std::string> SkinNames(Program& P);

// The file of the named skin, found without regard to case (a name stored in lower case must find
// "Blue.ini" again); the user's file before the program's. Empty when there is none.
std::string SkinFile(Program& P, const std::string& name);

// The default skin's file; where none exists, the path it would have in the program folder.
std::string DefaultSkinFile(Program& P);

}  // namespace tarnolux::Skins
