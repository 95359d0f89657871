// <windows.h> for the Win32 System's own files, without the macros that would rename the System's
// members of the same names (RegOpenKeyEx becomes RegOpenKeyExW, ...). Include it after the
// program's headers.
#pragma once

#include <windows.h>
#include <shellapi.h>

#undef RegOpenKeyEx
#undef RegOpenKey
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#undef GetWindowsDirectory
#undef GetDiskFreeSpace
#undef GetVolumeInformation
#undef ShellExecute
#undef ExitWindows
