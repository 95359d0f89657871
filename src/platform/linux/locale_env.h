// The languages a POSIX desktop asks for, read from its locale variables.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform::linux_impl {

// Lower-case ISO 639 codes, most wanted first, read as gettext reads the variables: the first of
// LC_ALL, LC_MESSAGES and LANG that is set names the locale ("de_DE.UTF-8@euro" gives "de"), and
// LANGUAGE, a colon-separated list, comes before it unless that locale is "C" or "POSIX", which ask
// for the built-in texts and so for nothing in particular.
std::vector<std::string> LanguagesFromLocale(const std::function<const char*(const char* name)>& getenv);

}  // namespace platform::linux_impl
