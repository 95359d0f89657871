// Texts the program shows beyond the numbered captions of the language files: its own message
// boxes, tooltips, accessible names and notifications. Each is a named key of the language files;
// where the chosen file lacks one (a user's own translation made for an older version), the English
// file's text is shown, never an empty one.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarnolux {

class Program;

// Every named key, so that a language file is read once for all of them. Add new ones here and to
// each file in Language/.
inline constexpr std::array<std::string_view, 55> kTextKeys = {
    "TipMenu",
    "TipHide",
    "TipExit",
    "MsgFileMissing",
    "MsgFileUnreadable",
    "MsgNotLanguageFile",
    "MsgEmptyBinOne",
    "MsgEmptyBinMany",
    "AccMenuInfo",
    "AccHideInfo",
    "AccExitInfo",
    "AccTitleInfo",
    "AccGraph",
    "AccGraphInfo",
    "AccLoadBar",
    "AccPercentInfo",
    "AccLoad",
    "AccMemoryBar",
    "AccMemoryInfo",
    "AccMemory",
    "AccSwapBar",
    "AccSwap",
    "AccDrive",
    "AccDriveBar",
    "AccDriveUsed",
    "AccPrograms",
    "AccProgram",
    "AccEndProgram",
    "AccLimit",
    "AccFreeUp",
    "AccLoadLimit",
    "AccPeriodFreeUp",
    "AccPeriod",
    "AccMinCache",
    "AccMaxCache",
    "AccChunk",
    "AccNameCache",
    "AccDirCache",
    "AccArrowsInfo",
    "AccSoundFile",
    "AccChooseSound",
    "AccLanguage",
    "BtnOK",
    "BtnCancel",
    "BtnYes",
    "BtnNo",
    // The notice after a free-up.
    "NoticeFreed",
    "NoticeTook",
    "NoticeFigures",
    "NoticeNothing",
    "NoticeBudget",
    "NoticeRanShort",
    "NoticeBusy",
    "NoticeOff",
    "NoticeNoAmount",
};

// The text of `key` in the language in use; else english.ini's; else the key itself, so that a
// missing text shows as its name rather than as nothing.
const std::string& Text(Program& P, std::string_view key);

// `text` with %1 to %9 replaced by the arguments in order; "%%" is one "%". A number without an
// argument is left as it stands.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args);

// What a language file gives for a key it lacks, when read with ReadIniStrings.
extern const std::string kMissingText;

// Takes the named texts of a language file, read as the values of kTextKeys in order (kMissingText
// for a key it lacks), into the program's table. Keys the file lacks are looked up in english.ini
// beside it when first asked for.
void LoadTexts(Program& P, const std::vector<std::string>& values);

}  // namespace tarnolux
