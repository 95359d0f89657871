// The small window that stays on screen while the taskbar is hidden: its one button brings the
// taskbar back.
#pragma once

#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

class Form4 : public forms::Form {
public:
    explicit Form4(Program& program);

    Program& P;
    forms::Control* Command1{};

    // Set once the taskbar is back, so that unloading does not ask for it a second time.
    bool TaskbarShown = false;

    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Command1_Click();
};

}  // namespace tarnolux
