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

}  // namespace tarnolux::TaskBar_Icon
