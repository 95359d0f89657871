#include "platform/common/text.h"

#include <algorithm>

namespace platform::text {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool LessNoCase::operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length in bytes of the UTF-8 character starting at s[i].
std::size_t CharLen(std::string_view s, std::size_t i) {
    std::size_t j = i + 1;
    while (j < s.size() && IsContinuation(s[j])) ++j;
    return j - i;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative matcher with one backtrack point for the latest '*': linear in practice, and no
    // recursion depth to exhaust on long names.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLen(name, n);
        } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starN += CharLen(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Utf8Prefix(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < n; ++count) i += CharLen(s, i);
    return s.substr(0, i);
}

std::vector<std::string> SplitLines(std::string_view s) {
    std::vector<std::string> lines;
    while (!s.empty()) {
        const auto nl = s.find('\n');
        std::string_view line = s.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (nl == std::string_view::npos) break;
        s.remove_prefix(nl + 1);
    }
    return lines;
}

}  // namespace platform::text
