// The free-up pop-up: a small borderless window that shows a text while memory is freed.
#pragma once

#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

class Form2 : public forms::Form {
public:
    explicit Form2(Program& program);

    Program& P;
    forms::Control* Check1{};

    void Form_Load() override;
    void Form_Activate() override;
};

// Raises `form` above every other window once, without giving it the focus and without keeping it
// on top: topmost, pending events processed, then no longer topmost.
void BringToFrontOnce(Program& P, forms::Form& form);

}  // namespace tarnolux
