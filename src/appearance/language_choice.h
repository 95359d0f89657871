// Which language file suits the desktop when the user has not chosen one yet.
#pragma once

#include <string>
#include <vector>

namespace tarnolux {

// The entry of `available` (language list names, as the files are named) that matches the first
// of `wishes` (ISO 639 codes, most wanted first) that any entry matches; "english" when none does.
std::string LanguageForDesktop(const std::vector<std::string>& wishes, const std::vector<std::string>& available);

}  // namespace tarnolux
