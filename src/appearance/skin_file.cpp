#include "appearance/skin_file.h"

#include "common/convert.h"
#include "platform/common/text.h"

namespace tarnolux {

namespace {

// A field that does not convert leaves its colour at 0.
std::int32_t ColorOf(std::string_view field) { return ToInt32(field).value_or(0); }

}  // namespace

const SkinEntry* SkinFile::Find(const std::string& key) const {
    const auto it = firstByKey.find(key);
    return it == firstByKey.end() ? nullptr : &entries[it->second];
}

SkinFile ParseSkinLines(const std::vector<std::string>& lines) {
    SkinFile skin;
    for (const std::string& line : lines) {
        if (platform::text::Trim(line).empty()) continue;
        SkinEntry entry;
        const std::string_view text = line;
        const auto c1 = text.find(',');
        if (c1 == std::string_view::npos) {
            // No comma: the whole line is the number, and a number alone is a colour line.
            entry.fore = ColorOf(text);
            if (ParseNumber(text)) {
                if (skin.colorLines++ == 0) skin.windowColor = entry.fore;
                else skin.gaugeColor = entry.fore;
            }
        } else {
            entry.key = std::string(text.substr(0, c1));
            const auto c2 = text.find(',', c1 + 1);
            if (c2 != std::string_view::npos) {
                entry.back = ColorOf(text.substr(c1 + 1, c2 - c1 - 1));
                entry.fore = ColorOf(text.substr(c2 + 1));
            }
            // With one comma the rest of the line holds a comma and is no number: both stay 0.
        }
        if (!entry.key.empty()) skin.firstByKey.try_emplace(entry.key, skin.entries.size());
        skin.entries.push_back(std::move(entry));
    }
    return skin;
}

SkinFile ParseSkin(std::string_view text) { return ParseSkinLines(platform::text::SplitLines(text)); }

}  // namespace tarnolux
