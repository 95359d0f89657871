// The profile (INI) reader and writer: any file text can be read; a value written can be read back
// as written, and writing it again changes nothing; one pass over many keys reads as key by key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/profile.h"

namespace profile = platform::profile;

namespace {

// A name or value the writer can take: no line breaks, no blanks at either end, no brackets or
// equals signs in names, no leading comment mark, no quotes that the reader would strip.
// In a file written as UTF-16 only whole characters can be stored: there the text is kept to ASCII.
std::string Tame(std::string_view s, bool name, bool ascii) {
    std::string out;
    for (char c : s) {
        if (ascii && (static_cast<unsigned char>(c) & 0x80)) continue;
        if (c == '\r' || c == '\n' || c == '\0') continue;
        if (name && (c == '=' || c == '[' || c == ']' || c == ';')) continue;
        if (c == '"' || c == '\'') continue;
        out += c;
    }
    while (!out.empty() && (out.front() == ' ' || out.front() == '\t')) out.erase(0, 1);
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is "section|key|value|file text".
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t bar = in.find('|', at);
        if (bar == std::string_view::npos) break;
        parts.push_back(in.substr(at, bar - at));
        at = bar + 1;
    }
    const std::string file(in.substr(std::min(at, in.size())));
    if (parts.size() < 3) {
        (void)profile::Lookup(file, "vcache", "MinFileCache");
        return 0;
    }
    const bool utf16 = file.starts_with("\xFF\xFE");
    const std::string section = Tame(parts[0], true, utf16), key = Tame(parts[1], true, utf16);
    const std::string value = Tame(parts[2], false, utf16);

    std::string out;
    profile::GetString(file, section, key, "default", out, 256);
    const std::vector<std::string> keys = {key, "1", "x", key + "_"};
    const std::vector<std::string> many = profile::GetStrings(file, section, keys, "default", 256);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::string one;
        profile::GetString(file, section, keys[i], "default", one, 256);
        if (many[i] != one) std::abort();
    }

    if (section.empty() || key.empty()) return 0;
    const std::string written = profile::Write(file, section, key, value);
    const std::optional<std::string> back = profile::Lookup(written, section, key);
    if (!back || *back != value) std::abort();
    if (profile::Write(written, section, key, value) != written) std::abort();
    return 0;
}
