// Profile (INI) file semantics as pure functions over the file's bytes, shared by every System:
// section and key names compare without regard to case, blanks around names and values are
// trimmed, one pair of surrounding quotes is stripped from a value, and writing changes only the
// one line it must (or adds a key or a section), keeping comments, order, line ends and encoding.
// A file marked as UTF-8 or UTF-16LE (as Windows editors save them) is read as text in that
// encoding and written back in it; values go in and come out as UTF-8. Unmarked files are bytes.
// CR LF, LF and a CR alone all end a line; a line without "=" is a key without a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::profile {

// The value of `key` in `section`; nothing when the section or the key is missing. The first
// matching section and key win.
std::optional<std::string> Lookup(std::string_view text, std::string_view section, std::string_view key);

// The text with `key` in `section` set to `value`, creating the section and the key as needed.
std::string Write(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

// GetPrivateProfileString over a file's text (nothing when the file cannot be read): the value, or
// the default without its trailing blanks, cut to size - 1 characters; returns the count given.
std::uint32_t GetString(const std::optional<std::string>& fileText, std::string_view section,
                        std::string_view key, std::string_view defaultValue, std::string& out,
                        std::uint32_t size);

}  // namespace platform::profile
