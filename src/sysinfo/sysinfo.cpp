// The Disk and Active Modules pages. The drive figures and the process list come later; until then
// these do nothing.
#include "app/form5.h"

namespace tarnolux {
void Form5::Timer2_Timer() {}
void Form5::Drive1_Change() {}
std::int32_t Form5::RefreshModuleList(const std::string&) { return 0; }
void Form5::SetHorizontalExtent(forms::Control&) {}
void Form5::List2_Click() {}
void Form5::Command1_Click() {}
}  // namespace tarnolux
