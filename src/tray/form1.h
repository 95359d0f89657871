// The About box: the program's name, version and author, and a link that starts an e-mail.
#pragma once

#include <string>

#include "app/control_array.h"
#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

// The author's contact address behind "E-mail: ", chosen when the program is built.
std::string ContactAddress();

class Form1 : public forms::Form {
public:
    explicit Form1(Program& program);

    Program& P;

    using C = forms::Control*;
    C Label1{}, Label2{}, Image1{}, Label4{}, Command1{};
    ControlArray Label3{*this, forms::Kind::Label, "Label3"};

    void Form_Load() override;
    void Command1_Click();
    void Label4_Click();

private:
    void Design();
};

}  // namespace tarnolux
