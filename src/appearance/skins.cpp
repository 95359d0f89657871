// Skins colour the main window: the list in the tray menu, choosing one, and applying a skin file.
#include "appearance/skins.h"

#include <algorithm>

#include "app/form5.h"
#include "appearance/skin_file.h"
#include "common/convert.h"
#include "host/host.h"
#include "settings/modules.h"
#include "tray/form6.h"

namespace tarnolux {

namespace {

constexpr int kAllFiles = platform::vbReadOnly | platform::vbHidden | platform::vbSystem;
const std::string kDefaultSkin = "Default";

std::string ProgramSkins(Program& P) {
    const std::string sep = General::Sep(P.sys);
    return General::ProgramFolder(P.sys) + sep + "Skins" + sep;
}

std::string UserSkins(Program& P) {
    const std::string folder = P.sys.UserDataFolder();
    if (folder.empty()) return {};
    const std::string sep = General::Sep(P.sys);
    return folder + sep + "Skins" + sep;
}

// The skin files of a folder, as the folder spells them.
std::vector<std::string> SkinFilesIn(Program& P, const std::string& folder) {
    if (folder.empty()) return {};
    return P.sys.Dir(folder + "*.ini", kAllFiles);
}

// The name without a final ".ini", whatever its case.
std::string WithoutIni(const std::string& name) {
    if (name.size() >= 4 && LowerCase(name.substr(name.size() - 4)) == ".ini") return name.substr(0, name.size() - 4);
    return name;
}

// The file of `folder` named `name` + ".ini": the exact spelling first, then any spelling.
std::string FindIn(Program& P, const std::string& folder, const std::string& name) {
    const std::string wanted = name + ".ini";
    const std::vector<std::string> found = SkinFilesIn(P, folder);
    if (std::find(found.begin(), found.end(), wanted) != found.end()) return folder + wanted;
    const std::string lower = LowerCase(wanted);
    for (const std::string& f : found)
        if (LowerCase(f) == lower) return folder + f;
    return {};
}

enum class Takes { Both, BackOnly, Nothing };

Takes ColoursOf(forms::Kind kind) {
    switch (kind) {
    case forms::Kind::CommandButton:
    case forms::Kind::Shape:
        return Takes::BackOnly;
    case forms::Kind::VScrollBar:
    case forms::Kind::Timer:
    case forms::Kind::Line:
    case forms::Kind::Image:
        return Takes::Nothing;
    default:
        return Takes::Both;
    }
}

// A file that names no control of the window and sets no colour of its own is not a skin (an empty
// file, a text of another kind, a damaged file); applying it would only paint the window black.
bool IsSkinFor(const SkinFile& skin, const forms::Form& form) {
    if (skin.colorLines > 0) return true;
    return std::any_of(form.controls().begin(), form.controls().end(),
                       [&](const auto& c) { return skin.Find(c->displayName()) != nullptr; });
}

}  // namespace

namespace Skins {

std::vector<std::string> SkinNames(Program& P) {
    std::vector<std::string> names;
    std::vector<std::string> seen{LowerCase(kDefaultSkin)};
    for (const std::string& folder : {ProgramSkins(P), UserSkins(P)}) {
        for (const std::string& file : SkinFilesIn(P, folder)) {
            const std::string name = WithoutIni(file);
            const std::string lower = LowerCase(name);
            if (std::find(seen.begin(), seen.end(), lower) != seen.end()) continue;
            seen.push_back(lower);
            names.push_back(name);
        }
    }
    return names;
}

std::string SkinFile(Program& P, const std::string& name) {
    // A name is a file name, never a path.
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return {};
    if (std::string user = FindIn(P, UserSkins(P), name); !user.empty()) return user;
    return FindIn(P, ProgramSkins(P), name);
}

std::string DefaultSkinFile(Program& P) {
    std::string path = SkinFile(P, kDefaultSkin);
    return path.empty() ? ProgramSkins(P) + kDefaultSkin + ".ini" : path;
}

}  // namespace Skins

void Form5::LoadSkin(const std::string& path) {
    // A file that cannot be read, or is no skin, leaves every colour as it is.
    if (const auto lines = P.sys.ReadTextLines(path)) {
        const SkinFile skin = ParseSkinLines(*lines);
        if (IsSkinFor(skin, *this)) {
            for (const auto& control : controls()) {
                forms::Control& c = *control;
                const SkinEntry* entry = skin.Find(c.displayName());
                if (!entry) continue;
                const Takes takes = ColoursOf(c.kind());
                // A number that is no colour is refused, as the toolkit refuses it; the rest goes on.
                if (takes != Takes::Nothing && IsSkinColor(entry->back)) c.setBackColor(static_cast<forms::Color>(entry->back));
                if (takes == Takes::Both && IsSkinColor(entry->fore)) c.setForeColor(static_cast<forms::Color>(entry->fore));
            }
            if (IsSkinColor(skin.windowColor)) setBackColor(static_cast<forms::Color>(skin.windowColor));
            if (IsSkinColor(skin.gaugeColor)) {
                // The bars are drawn with an outline; it takes the gauge colour too, so a bar is one colour.
                for (const auto& [index, bar] : Shape1.items()) {
                    bar->setBackColor(static_cast<forms::Color>(skin.gaugeColor));
                    bar->setBorderColor(static_cast<forms::Color>(skin.gaugeColor));
                }
            }
        }
    }
    const std::string current = LowerCase(P.CurrentSkin);
    for (const auto& [index, item] : P.form6().Skins_names.items()) item->setChecked(LowerCase(item->caption()) == current);
}

void Form6::Skins_names_Click(int Index) {
    if (!Skins_names.exists(Index)) return;
    P.host.SetMousePointer(host::vbHourglass);
    const std::string caption = Skins_names(Index).caption();
    std::string path = Skins::SkinFile(P, caption);
    if (!path.empty()) {
        P.CurrentSkin = caption;
    } else {
        path = Skins::DefaultSkinFile(P);
        P.CurrentSkin = kDefaultSkin;
    }
    P.form5().LoadSkin(path);
    P.host.SetMousePointer(host::vbDefault);
}

}  // namespace tarnolux
