#include "platform/common/profile.h"

#include <algorithm>
#include <vector>

#include "platform/common/text.h"

namespace platform::profile {

namespace {

// ---- the file's encoding ----

enum class Encoding { Bytes, Utf8Bom, Utf16Le };

struct Decoded {
    Encoding encoding = Encoding::Bytes;
    std::string text;  // UTF-8 for the marked encodings; the bytes as they are otherwise
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next code point of UTF-8 text; a byte that starts no valid sequence stands for itself as
// U+FFFD and is passed over alone. `valid` turns false there.
char32_t NextUtf8(std::string_view s, std::size_t& i, bool& valid) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (len == 1) {
        ++i;
        return lead;
    }
    if (len == 0 || i + len > s.size()) {
        valid = false;
        ++i;
        return 0xFFFD;
    }
    char32_t c = lead & (0xFF >> (len + 1));
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            valid = false;
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (b(i + k) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        valid = false;
        ++i;
        return 0xFFFD;
    }
    i += len;
    return c;
}

bool IsUtf8(std::string_view s) {
    bool valid = true;
    for (std::size_t i = 0; i < s.size() && valid;) NextUtf8(s, i, valid);
    return valid;
}

// A mark at the start says how the file is written, as a Windows editor saves it; without one,
// the bytes are taken as they are.
Decoded Decode(std::string_view file) {
    if (file.substr(0, 3) == "\xEF\xBB\xBF") return {Encoding::Utf8Bom, std::string(file.substr(3))};
    if (file.substr(0, 2) == "\xFF\xFE") {
        Decoded d{Encoding::Utf16Le, {}};
        d.text.reserve(file.size() / 2);
        for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
            char32_t c = static_cast<unsigned char>(file[i]) | (static_cast<unsigned char>(file[i + 1]) << 8);
            if (c >= 0xD800 && c <= 0xDBFF && i + 3 < file.size()) {
                const char32_t low = static_cast<unsigned char>(file[i + 2]) | (static_cast<unsigned char>(file[i + 3]) << 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
            AppendUtf8(d.text, c);
        }
        return d;
    }
    return {Encoding::Bytes, std::string(file)};
}

std::string Encode(std::string_view text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + std::string(text);
    case Encoding::Utf16Le: {
        std::string out = "\xFF\xFE";
        out.reserve(2 + text.size() * 2);
        const auto unit = [&](char32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        bool valid = true;
        for (std::size_t i = 0; i < text.size();) {
            const char32_t c = NextUtf8(text, i, valid);
            if (c >= 0x10000) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
        }
        return out;
    }
    case Encoding::Bytes: break;
    }
    return std::string(text);
}

// ---- lines, sections and keys ----

// One line of the file: its content and where the content and the line (with its end) lie.
struct Line {
    std::string_view content;  // without the line end
    std::size_t begin = 0;     // offset of the line
    std::size_t end = 0;       // offset after the line end
};

// CR LF, LF and a CR alone each end a line.
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t stop = std::min(text.find_first_of("\r\n", pos), text.size());
        std::size_t next = stop;
        if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(pos, stop - pos), pos, next});
        pos = next;
    }
    return lines;
}

// The section name of a "[name]" line; a "[name" line without its bracket is no header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = text::Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) return std::nullopt;
    return text::Trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::optional<std::string_view> value;  // none on a line without "=": a key without a value
};

std::optional<Entry> KeyLine(std::string_view line) {
    const std::string_view trimmed = text::Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    const auto eq = trimmed.find('=');
    if (eq == std::string_view::npos) return Entry{trimmed, std::nullopt};
    return Entry{text::Trim(trimmed.substr(0, eq)), text::Trim(trimmed.substr(eq + 1))};
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string_view LineEndOf(std::string_view text, Encoding encoding) {
    const auto end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) return encoding == Encoding::Bytes ? "\n" : "\r\n";
    if (text.compare(end, 2, "\r\n") == 0) return "\r\n";
    return text[end] == '\r' ? "\r" : "\n";
}

std::optional<std::string> LookupDecoded(std::string_view text, std::string_view section, std::string_view key) {
    const std::string_view wantSection = text::Trim(section), wantKey = text::Trim(key);
    bool inSection = false, seenSection = false;
    for (const Line& line : SplitLines(text)) {
        if (const auto name = SectionName(line.content)) {
            // Only the first section of that name counts.
            if (inSection) return std::nullopt;
            inSection = !seenSection && text::EqualsNoCase(*name, wantSection);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection) continue;
        if (const auto entry = KeyLine(line.content); entry && text::EqualsNoCase(entry->key, wantKey)) {
            if (!entry->value) return std::nullopt;  // the first one found counts, even without a value
            return std::string(Unquote(*entry->value));
        }
    }
    return std::nullopt;
}

std::string WriteDecoded(std::string_view text, Encoding encoding, std::string_view section, std::string_view key,
                         std::string_view value) {
    const std::string_view wantSection = text::Trim(section), wantKey = text::Trim(key);
    const std::string_view eol = LineEndOf(text, encoding);
    const std::vector<Line> lines = SplitLines(text);

    std::optional<std::size_t> sectionLine;   // index of the section's header
    std::optional<std::size_t> lastContent;   // last non-blank line of the section
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i].content)) {
            if (sectionLine) break;
            if (text::EqualsNoCase(*name, wantSection)) sectionLine = lastContent = i;
            continue;
        }
        if (!sectionLine) continue;
        if (!text::Trim(lines[i].content).empty()) lastContent = i;
        const auto entry = KeyLine(lines[i].content);
        if (entry && text::EqualsNoCase(entry->key, wantKey)) {
            // Replace this line's content only; the key keeps its spelling and the line its end.
            std::string out(text.substr(0, static_cast<std::size_t>(entry->key.data() - text.data())));
            out.append(entry->key).append("=").append(value);
            out.append(text.substr(lines[i].begin + lines[i].content.size()));
            return out;
        }
    }

    const std::string newEntry = std::string(wantKey) + "=" + std::string(value);
    if (sectionLine) {
        const Line& after = lines[*lastContent];
        std::string out(text.substr(0, after.end));
        if (after.end == after.begin + after.content.size()) out.append(eol);  // last line had no end
        out.append(newEntry).append(eol);
        out.append(text.substr(after.end));
        return out;
    }

    std::string out(text);
    if (!out.empty() && out.back() != '\n') out.append(eol);
    if (!lines.empty() && !text::Trim(lines.back().content).empty()) out.append(eol);
    out.append("[").append(wantSection).append("]").append(eol);
    out.append(newEntry).append(eol);
    return out;
}

}  // namespace

std::optional<std::string> Lookup(std::string_view file, std::string_view section, std::string_view key) {
    return LookupDecoded(Decode(file).text, section, key);
}

std::string Write(std::string_view file, std::string_view section, std::string_view key, std::string_view value) {
    const Decoded decoded = Decode(file);
    return Encode(WriteDecoded(decoded.text, decoded.encoding, section, key, value), decoded.encoding);
}

std::uint32_t GetString(const std::optional<std::string>& fileText, std::string_view section,
                        std::string_view key, std::string_view defaultValue, std::string& out,
                        std::uint32_t size) {
    out.clear();
    if (size == 0) return 0;
    std::optional<std::string> value;
    // Characters are counted as the file has them: in a file that is not UTF-8 (a Windows code
    // page), every byte is one.
    bool bytes = false;
    if (fileText) {
        const Decoded decoded = Decode(*fileText);
        value = LookupDecoded(decoded.text, section, key);
        bytes = decoded.encoding == Encoding::Bytes && !IsUtf8(decoded.text);
    }
    std::string_view v = value ? std::string_view(*value) : defaultValue;
    if (!value) {
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
        bytes = !IsUtf8(v);
    }
    if (bytes) {
        out = std::string(v.substr(0, std::min<std::size_t>(v.size(), size - 1)));
        return static_cast<std::uint32_t>(out.size());
    }
    out = std::string(text::Utf8Prefix(v, size - 1));
    std::uint32_t count = 0;
    for (char c : out)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace platform::profile
