// Desktop tricks of the tray menu. Each is one request to the desktop through the System; none
// looks at the result and nothing of it is stored.
#pragma once

#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux::Extras_module {

void HideDesktopIcons(Program& P);
void ShowDesktopIcons(Program& P);
void HideTaskbar(Program& P);  // and shows Form4, the way back
void ShowTaskbar(Program& P);  // and unloads Form4
void DisableStartButton(Program& P);
void EnableStartButton(Program& P);
void RunScreenSaver(Program& P, forms::Form& form);
void EmptyRecycleBin(Program& P);  // after a Yes/No question that says how many items go
void MinimizeAll(Program& P);
void RestartWindows(Program& P);
void ExitWindows(Program& P);

}  // namespace tarnolux::Extras_module
