#include "app/form5.h"

namespace tarnolux {
void Form5::Combo1_Click() {}
void Form5::LoadLanguageFile(const std::string&) {}
void Form5::ApplyLanguage() {}
}  // namespace tarnolux
