#include "app/form5.h"

namespace tarnolux {
void Form5::Timer1_Timer() {}
void Form5::DrawCPUGraph() {}
}  // namespace tarnolux
