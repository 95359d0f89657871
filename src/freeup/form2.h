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

    void Form_Activate() override;
};

}  // namespace tarnolux
