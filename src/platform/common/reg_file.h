// The regedit export format (REGEDIT4) for one root's tree: the first line "REGEDIT4", a blank
// line, then one "[ROOT\path]" section per key (keys without values too), each followed by its
// values and a blank line:
//   "name"="text"        REG_SZ holding exactly one terminating NUL (\\ and \" escaped)
//   @="text"             the unnamed value
//   "name"=dword:0000001f REG_DWORD of 4 bytes
//   "name"=hex:01,ff     REG_BINARY
//   "name"=hex(N):..     any other type or size (N in hex), so every value round-trips exactly
// Value names also escape line breaks as \r and \n so that a name can never split its line. A key
// without values is written only when it has no subkeys (the subkeys' lines create it).
//
// The reader also takes the "Windows Registry Editor Version 5.00" exports of Windows: UTF-16LE
// with a byte-order mark, CRLF line ends, texts of hex(2) and hex(7) values in UTF-16LE (brought
// to UTF-8 here), "[-key]" and "name"=- removals, and hex lists continued with a backslash.
#pragma once

#include <string>
#include <string_view>

#include "platform/common/registry.h"

namespace platform::regfile {

std::string Serialize(const Registry::Key& root, std::string_view rootName);

// Reads an export of `rootName` (either format) into `root`, replacing its contents. False,
// leaving `root` untouched, when the text is not such an export.
bool Parse(std::string_view text, std::string_view rootName, Registry::Key& root);

// "HKEY_CURRENT_USER" etc.; "" for an unknown root.
std::string RootName(HKEY root);

}  // namespace platform::regfile
