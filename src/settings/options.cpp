#include "app/form5.h"

namespace tarnolux {

void Form5::LoadFreeUpSettings() {}
void Form5::SaveFreeUpSettings() {}
void Form5::LoadOptions() {}
void Form5::SaveOptions() {}
void Form5::Check4_Click(int) {}

}  // namespace tarnolux
