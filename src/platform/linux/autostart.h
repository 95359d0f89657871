// The XDG autostart entry that stands for the program's Run-key registration.
#pragma once

#include <string>
#include <string_view>

namespace platform::linux_impl {

// One argument of a desktop entry's Exec line: quoted when it holds a reserved character, and
// escaped for the entry's string syntax ('\' doubled, '%' doubled).
std::string DesktopExecArgument(std::string_view arg);

// The text after the executable in a Run-key command ("\"/opt/t/tarnolux\" /Start Up" and
// "/opt/t/tarnolux.exe /Start Up" give "/Start Up"): `exeFile`, with or without ".exe", quoted or
// not; else a quoted path up to its closing quote, or the usual ".exe " split.
std::string RunCommandArguments(std::string_view command, std::string_view exeFile);

// The whole entry: the program `exeFile` started with `arguments` as one argument (none if empty).
std::string AutostartEntry(std::string_view exeFile, std::string_view arguments);

}  // namespace platform::linux_impl
