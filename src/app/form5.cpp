// Start-up, page switching, the title strip and shutdown of the main window.
#include "app/form5.h"

namespace tarnolux {

void Form5::Form_Initialize() {}
void Form5::Form_Load() {}
void Form5::Form_Activate() {}
void Form5::Form_QueryUnload(int&, int) {}
void Form5::Form_Unload(int&) {}
void Form5::Check1_Click(int) {}
void Form5::Check2_Click() {}
void Form5::Check5_Click() {}
void Form5::Check6_Click() {}
void Form5::Check8_Click() {}
void Form5::Label20_MouseMove(int, int, float, float) {}
bool Form5::FocusSink() { return false; }

}  // namespace tarnolux
