// Small text helpers shared by the registry, the profile files and the directory search: names
// that compare without regard to case (ASCII letters; other bytes as they are) and wildcards.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

char AsciiLower(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Orders names without regard to case; for maps whose keys keep their spelling.
struct LessNoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// `name` matches `pattern` where '*' stands for any run of characters and '?' for exactly one
// (one UTF-8 character, not one byte); letters compare without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Blanks (spaces and tabs) removed from both ends.
std::string_view Trim(std::string_view s);

// The first `n` characters of a UTF-8 text, never cutting a character in two.
std::string_view Utf8Prefix(std::string_view s, std::size_t n);

// The lines of a text without their line ends ("\r\n" or "\n"); a final line end does not start
// another line.
std::vector<std::string> SplitLines(std::string_view s);

}  // namespace platform::text
