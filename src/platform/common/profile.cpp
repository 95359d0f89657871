#include "platform/common/profile.h"

#include <vector>

#include "platform/common/text.h"

namespace platform::profile {

namespace {

// One line of the file: its content and where the content and the line (with its end) lie.
struct Line {
    std::string_view content;  // without the line end
    std::size_t begin = 0;     // offset of the line
    std::size_t end = 0;       // offset after the line end
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        const std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t stop = nl == std::string_view::npos ? text.size() : nl;
        if (stop > pos && text[stop - 1] == '\r') --stop;
        lines.push_back({text.substr(pos, stop - pos), pos, next});
        pos = next;
    }
    return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = text::Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) return text::Trim(line.substr(1));
    return text::Trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> KeyLine(std::string_view line) {
    const std::string_view trimmed = text::Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    const auto eq = trimmed.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{text::Trim(trimmed.substr(0, eq)), text::Trim(trimmed.substr(eq + 1))};
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string_view LineEndOf(std::string_view text) {
    const auto nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') return "\r\n";
    return "\n";
}

}  // namespace

std::optional<std::string> Lookup(std::string_view text, std::string_view section, std::string_view key) {
    // A UTF-8 byte-order mark is not part of the first line (the language loader drops it too).
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
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
        if (const auto entry = KeyLine(line.content); entry && text::EqualsNoCase(entry->key, wantKey))
            return std::string(Unquote(entry->value));
    }
    return std::nullopt;
}

std::string Write(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view wantSection = text::Trim(section), wantKey = text::Trim(key);
    const std::string_view eol = LineEndOf(text);
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

std::uint32_t GetString(const std::optional<std::string>& fileText, std::string_view section,
                        std::string_view key, std::string_view defaultValue, std::string& out,
                        std::uint32_t size) {
    out.clear();
    if (size == 0) return 0;
    std::optional<std::string> value;
    if (fileText) value = Lookup(*fileText, section, key);
    std::string_view v = value ? std::string_view(*value) : defaultValue;
    if (!value) {
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    }
    out = std::string(text::Utf8Prefix(v, size - 1));
    std::uint32_t count = 0;
    for (char c : out)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace platform::profile
