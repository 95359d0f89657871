#include "app/form5.h"

namespace tarnolux {
void Form5::Timer3_Timer() {}
}  // namespace tarnolux
