#include "app/form5.h"

namespace tarnolux {
void Form5::Timer4_Timer() {}
void Form5::Timer5_Timer() {}
void Form5::Check3_Click() {}
void Form5::Check7_Click() {}
void Form5::SetScrollRanges() {}
void Form5::StepScrollValue(forms::Control&, std::int16_t& result) { result = 0; }
void Form5::VScroll4_Change() {}
void Form5::VScroll5_Change() {}
void Form5::VScroll6_Change() {}
void Form5::VScroll9_Change() {}
void Form5::VScroll10_Change() {}
}  // namespace tarnolux
