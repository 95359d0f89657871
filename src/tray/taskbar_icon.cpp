#include "tray/taskbar_icon.h"

namespace tarnolux::TaskBar_Icon {
void FillTrayData(Program&, host::NotifyIconData&) {}
void TraySetIcon(Program&, const forms::Picture&, bool) {}
void TraySetTip(Program&, const std::string&) {}
void TrayRemoveIcon(Program&) {}
}  // namespace tarnolux::TaskBar_Icon
