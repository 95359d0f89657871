// The drive queries of the Disk page. Each takes a drive text as the drive list shows it ("c: /")
// and reads only its first character, the drive letter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace tarnolux::Disk {

// The drive's root: its letter, a colon and a backslash ("c:\").
std::string DriveRoot(const std::string& drive);

// Sizes in whole megabytes of 1,048,576 bytes, rounded to the nearest, halves to the even one;
// 0 when the drive cannot be asked. Sizes of many terabytes come out whole.
std::int64_t DriveTotalMB(platform::System& sys, const std::string& drive);
std::int64_t DriveFreeMB(platform::System& sys, const std::string& drive);

// The file-system name in proper case ("Ext4", "Fat32"); "" when the drive gives none.
std::string DriveFileSystemName(platform::System& sys, const std::string& drive);

// Every word's first letter capital, the others small (ASCII letters; other bytes as they are).
std::string ProperCase(const std::string& text);

}  // namespace tarnolux::Disk
