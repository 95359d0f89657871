// Language files come from two worlds: UTF-8 files made here, and files made on Windows in its
// Western code page. These tell them apart and bring the latter to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tarnolux::TextEncoding {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined map to the control
// characters of the same number, as Windows itself does.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace tarnolux::TextEncoding
