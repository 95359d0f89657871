// Skin files: plain text, one line per control ("Label3,255,65535": key, background colour, text
// colour) and bare numbers for the window background and the gauge colour. Reading is a pure
// function of the file's text, so that any text, however damaged, gives a result and nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnolux {

struct SkinEntry {
    std::string key;         // "Label3", "Check1(4)"; empty for a colour line
    std::int32_t back = 0;   // 0 where the field does not convert
    std::int32_t fore = 0;   // a colour line keeps its number here
};

struct SkinFile {
    // One entry per non-empty line, in line order, colour lines included.
    std::vector<SkinEntry> entries;
    // The first colour line sets the window, every later one the gauges; both stay 0 (black) when
    // the file has no such line.
    std::int32_t windowColor = 0;
    std::int32_t gaugeColor = 0;
    int colorLines = 0;

    // The entry a control key takes its colours from: the first one with exactly that key (case
    // counts); null when no line names it.
    const SkinEntry* Find(const std::string& key) const;

    // Index of each key's first entry.
    std::unordered_map<std::string, std::size_t> firstByKey;
};

// Reads a skin from the lines of its file (without line ends).
SkinFile ParseSkinLines(const std::vector<std::string>& lines);
// Reads a skin from the whole text of its file.
SkinFile ParseSkin(std::string_view text);

// Colours are red + 256 x green + 65536 x blue; anything outside 0..16777215 is no colour.
inline bool IsSkinColor(std::int32_t value) { return value >= 0 && value <= 0xFFFFFF; }

}  // namespace tarnolux
