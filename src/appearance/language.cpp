// Language files: the list on the Options page, the text tables and the captions they feed.
#include <algorithm>
#include <string_view>

#include "app/form5.h"
#include "app/form5_access.h"
#include "appearance/text_encoding.h"
#include "appearance/texts.h"
#include "common/convert.h"
#include "monitor/statistics.h"
#include "settings/modules.h"
#include "tray/form6.h"

namespace tarnolux {

namespace {

constexpr int kFileAttributes = platform::vbNormal | platform::vbReadOnly | platform::vbHidden | platform::vbSystem;

std::string_view FileNameOf(std::string_view path, char sep) {
    const auto cut = path.rfind(sep);
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

// The path of an existing language file: `path` itself, or the same name as the folder spells it
// when it differs only in case. Empty when there is none. A name holding wildcards must not stand
// for some other file, so the search's answers are compared with the name.
std::string ExistingFile(platform::System& sys, const std::string& path) {
    const std::string_view name = FileNameOf(path, sys.PathSeparator());
    const std::vector<std::string> found = sys.Dir(path, kFileAttributes);
    if (std::find(found.begin(), found.end(), name) != found.end()) return path;
    for (const std::string& f : found)
        if (SameNoCase(f, name)) return path.substr(0, path.size() - name.size()) + f;
    return {};
}

// The first line as the section header it should be: a byte-order mark, a carriage return and
// trailing blanks are not part of it.
std::string HeaderLine(std::string line, bool utf8) {
    if (utf8 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    return line;
}

// Drops the first and the last character (whole UTF-8 characters in a UTF-8 file).
std::string InnerText(const std::string& line, bool utf8) {
    if (!utf8) return line.substr(1, line.size() - 2);
    const std::size_t n = Utf8Length(line);
    const std::string withoutLast = Utf8Left(line, n - 1);
    const std::size_t firstLen = Utf8Left(line, 1).size();
    return withoutLast.substr(firstLen);
}

std::size_t CharCount(const std::string& text, bool utf8) { return utf8 ? Utf8Length(text) : text.size(); }

// A message about a language file, in the language in use. The English texts stand here too, for
// when no language file gives them: the folder gone, or start-up's stored choice missing.
void ReportFile(Program& P, std::string_view key, const char* english, const std::string& path) {
    const std::string& text = Text(P, key);
    P.host.MsgBox(FillIn(text == key ? english : text, {path}), host::vbCritical | host::vbOKOnly, P.AppTitle);
}

}  // namespace

void Form5::Combo1_Click() {
    const std::string sep = General::Sep(P.sys);
    const std::string path = General::ProgramFolder(P.sys) + sep + "Language" + sep + Combo1->text() + ".ini";
    const std::string existing = ExistingFile(P.sys, path);
    if (!existing.empty()) {
        LoadLanguageFile(existing);
    } else {
        ReportFile(P, "MsgFileMissing", "File %1, does not exist.", path);
    }
}

void Form5::LoadLanguageFile(const std::string& path) {
    const std::optional<std::vector<std::string>> lines = P.sys.ReadTextLines(path);
    if (!lines) {
        ReportFile(P, "MsgFileUnreadable", "File %1, cannot be read.", path);
        return;
    }
    // Files made on Windows come in its Western code page; anything that is not UTF-8 is read so.
    bool utf8 = true, binary = false;
    for (const std::string& line : *lines) {
        if (line.find('\0') != std::string::npos) binary = true;
        if (utf8 && !TextEncoding::IsValidUtf8(line)) utf8 = false;
    }
    const std::string header = lines->empty() ? std::string() : HeaderLine(lines->front(), utf8);
    if (binary || CharCount(header, utf8) < 2) {
        ReportFile(P, "MsgNotLanguageFile", "File %1, is not a language file.", path);
        return;
    }
    const std::string section = InnerText(header, utf8);

    // Every key in one reading: a large file is parsed once per load, not once per key.
    std::vector<std::string> keys;
    std::vector<std::string*> into;
    const auto want = [&](const std::string& key, std::string& element) {
        keys.push_back(key);
        into.push_back(&element);
    };
    const auto wantRange = [&](auto& table, int firstKey, int lastKey, int firstElement) {
        for (int key = firstKey; key <= lastKey; ++key) want(Dec(key), table[firstElement + key - firstKey]);
    };
    wantRange(PageTexts, 1, 6, 0);
    wantRange(MonitorTexts, 7, 12, 0);
    wantRange(DriveTexts, 13, 15, 0);
    wantRange(ModuleTexts, 16, 16, 0);
    wantRange(FreeUpTexts, 17, 22, 0);
    want("22_", FreeUpTexts[6]);
    wantRange(CacheTexts, 23, 28, 0);
    wantRange(OptionTexts, 29, 32, 0);
    want("32_", OptionTexts[4]);
    wantRange(P.MenuTexts, 33, 49, 0);
    want("50", P.MenuTexts[17]);
    want("50_", P.MenuTexts[18]);
    want("51", PopupTexts[0]);
    const std::size_t numbered = keys.size();
    keys.insert(keys.end(), kTextKeys.begin(), kTextKeys.end());
    std::vector<std::string> texts = INI_Files::ReadIniStrings(P.sys, section, keys, kMissingText, path);
    for (std::string& text : texts) {
        if (text != kMissingText && !utf8) text = TextEncoding::Windows1252ToUtf8(text);
    }
    // A numbered key the file lacks reads as "1024", as it always has.
    for (std::size_t i = 0; i < numbered; ++i) *into[i] = texts[i] == kMissingText ? "1024" : texts[i];
    P.ShowTaskbarText = P.MenuTexts[7];
    LoadTexts(P, std::vector<std::string>(texts.begin() + static_cast<std::ptrdiff_t>(numbered), texts.end()));

    ApplyLanguage();
}

void Form5::ApplyLanguage() {
    Form6& menus = P.form6();
    const auto menuCaption = [](forms::MenuItem* item, const std::string& text) {
        if (item) item->setCaption(text);
    };
    const std::array<std::string, 20>& M = P.MenuTexts;
    menuCaption(menus.restore_menu, M[0]);
    menuCaption(menus.disable_menu, M[1]);
    menuCaption(menus.free_up_menu, M[2]);
    menuCaption(menus.extras_menu, M[3]);
    constexpr int kExtras[] = {0, 1, 3, 4, 6, 7, 9, 11, 13};  // the rest are separators
    for (int k = 0; k < 9; ++k)
        if (menus.extras1_menu.exists(kExtras[k])) menus.extras1_menu(kExtras[k]).setCaption(M[4 + k]);
    menuCaption(menus.restart_menu, M[13]);
    menuCaption(menus.exit_windows_menu, M[14]);
    menuCaption(menus.about_menu, M[15]);
    menuCaption(menus.exit_menu, M[16]);
    menuCaption(menus.readme_file_menu, M[18]);

    for (int i = 0; i < 5; ++i) Check1(i).setCaption(PageTexts[i]);
    Check2->setCaption(PageTexts[5]);

    Label11(0).setCaption(FreeUpTexts[0]);
    Label11(1).setCaption(FreeUpTexts[1]);
    Check3->setCaption(FreeUpTexts[2]);
    Label12->setCaption(FreeUpTexts[3]);
    Label13->setCaption(FreeUpTexts[4]);
    Label14->setCaption(FreeUpTexts[5]);
    Check7->setCaption(FreeUpTexts[6]);

    for (int i = 0; i < 5; ++i) Label1(i).setCaption(CacheTexts[i]);

    for (int i = 0; i < 3; ++i) Check4(i).setCaption(OptionTexts[i]);
    Check4(3).setCaption(OptionTexts[4]);
    Label18->setCaption(OptionTexts[3]);

    DescribeForAccess(*this);
    P.host.SetButtonTexts({{host::vbOK, Text(P, "BtnOK")},
                           {host::vbCancel, Text(P, "BtnCancel")},
                           {host::vbYes, Text(P, "BtnYes")},
                           {host::vbNo, Text(P, "BtnNo")}});

    TotalMemoryMB = FreeMemory::TotalPhysicalMemoryKB(P.sys) / 1024;
    Label4->setCaption(MonitorTexts[1] + Dec(TotalMemoryMB) + " MB.");
}

}  // namespace tarnolux
