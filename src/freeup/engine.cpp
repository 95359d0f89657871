#include "app/form5.h"
#include "freeup/form2.h"

namespace tarnolux {

Form2::Form2(Program& program) : forms::Form(program.app, "Form2"), P(program) {
    Check1 = &add(forms::Kind::CheckBox, "Check1");
}
void Form2::Form_Activate() {}

void Form5::DefragMemoryNow(std::int32_t&) {}

}  // namespace tarnolux
