// The one notification-area icon of the program, addressed by the main window and identifier 0.
#pragma once

#include <string>

#include "app/program.h"
#include "host/host.h"

namespace tarnolux::TaskBar_Icon {

void FillTrayData(Program& p, host::NotifyIconData& data);
void TraySetIcon(Program& p, const forms::Picture& icon, bool add);
void TraySetTip(Program& p, const std::string& text);  // the caller keeps it to 63 characters
void TrayRemoveIcon(Program& p);
// A balloon from the icon with `title` and `text`; it takes the place of the one before.
void TrayBalloon(Program& p, const std::string& title, const std::string& text);

}  // namespace tarnolux::TaskBar_Icon
