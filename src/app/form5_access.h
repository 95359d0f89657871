// Names and descriptions that screen readers give the main window's controls, and the tips of the
// title buttons, whose captions are symbols.
#pragma once

namespace tarnolux {

class Form5;

void DescribeForAccess(Form5& form);

}  // namespace tarnolux
