// Start-up, page switching, the title strip and shutdown of the main window.
#include <vector>

#include "app/form5.h"
#include "common/convert.h"
#include "monitor/statistics.h"
#include "settings/modules.h"
#include "tray/form6.h"
#include "tray/taskbar_icon.h"

namespace tarnolux {

namespace {

constexpr int kAllFiles = platform::vbReadOnly | platform::vbHidden | platform::vbSystem;

// The name without a final ".ini", whatever its case.
std::string WithoutIni(const std::string& name) {
    if (name.size() >= 4 && LowerCase(name.substr(name.size() - 4)) == ".ini") return name.substr(0, name.size() - 4);
    return name;
}

// The file of `folder` whose name is `name` without regard to case, as it is spelled on disk
// (file systems that tell case apart would not open "blue.ini" for "Blue.ini").
std::string FindFile(platform::System& sys, const std::string& folder, const std::string& name) {
    const std::string wanted = LowerCase(name);
    for (const std::string& found : sys.Dir(folder + name, kAllFiles))
        if (LowerCase(found) == wanted) return found;
    return {};
}

}  // namespace

void Form5::Form_Initialize() {
    if (P.sys.PrevInstance()) InstanceEnded = true;
}

void Form5::Form_Load() {
    platform::System& sys = P.sys;
    const std::string sep = General::Sep(sys);
    const std::string languageFolder = General::ProgramFolder(sys) + sep + "Language" + sep;
    const std::string skinFolder = General::ProgramFolder(sys) + sep + "Skins" + sep;

    Unloading = 0;

    setHeight(3120);
    setWidth(5970);
    Shape2->setWidth(5990);
    Picture1->setHeight(2440);
    Picture1->setWidth(3725);

    Label20->setCaption("       " + kAppTitle + "  v." + Dec(sys.AppMajor()) + "." + Dec(sys.AppMinor()));

    for (const std::string& name : sys.Dir(languageFolder + "*.ini", kAllFiles)) Combo1->addItem(WithoutIni(name));

    for (const std::string& name : sys.Dir(skinFolder + "*.ini", kAllFiles)) {
        const std::string lower = LowerCase(name);
        if (lower == "default" || lower == "default.ini") continue;
        P.form6().AddSkinItem(WithoutIni(name)).setVisible(true);
    }

    P.CurrentSkin = LowerCase(Settings::GetSetting(sys, "TALVO", kAppTitle, "Skin", "Default"));
    std::string skinFile = FindFile(sys, skinFolder, P.CurrentSkin + ".ini");
    if (skinFile.empty()) {
        P.CurrentSkin = "Default";
        skinFile = FindFile(sys, skinFolder, "Default.ini");
        if (skinFile.empty()) skinFile = "Default.ini";
    }
    LoadSkin(skinFolder + skinFile);
    // Wherever start-up lets events run (a message box, showing the window), the program may have
    // been ended meanwhile; what is left of start-up then does not run.
    if (!loaded()) return;

    // The language sets the total again; without one the free-up defaults and the first tick
    // still need it.
    TotalMemoryMB = FreeMemory::TotalPhysicalMemoryKB(sys) / 1024;
    std::string language = LowerCase(Settings::GetSetting(sys, "TALVO", kAppTitle, "Language", "english"));
    // An empty name (saved when no language was in use) would never match again.
    if (language.empty()) language = "english";
    for (int i = 0; i < Combo1->listCount(); ++i) {
        if (LowerCase(Combo1->list(i)) == language) {
            Combo1->setListIndex(i);
            break;
        }
    }
    if (!loaded()) return;
    LanguageChosen = true;

    setCaption(kAppTitle);
    P.AppTitle = kAppTitle;

    P.form6().disable_menu->setTag("0");

    Text5->setLeft(8000);

    const forms::Color page = Frame1(0).backColor();
    Frame2->setBackColor(page);
    for (int i = 0; i < 4; ++i) Check4(i).setBackColor(page);
    Check3->setBackColor(page);
    Check7->setBackColor(page);

    const forms::Control& first = Frame1(0);
    for (int i = 1; i <= 4; ++i) {
        Frame1(i).move(first.left(), first.top(), first.width(), first.height());
        Frame1(i).setVisible(false);
        Frame1(i).setBackColor(page);
    }
    Frame2->move(first.left(), first.top(), first.width(), first.height());
    Frame2->setVisible(false);

    Line1->setY1(Line2->y1() + 10);
    Line1->setY2(Line2->y2() + 10);

    TaskBar_Icon::TraySetIcon(P, icon(), true);
    TaskBar_Icon::TraySetTip(P, kAppTitle);

    Check1_Click(0);
    LoadOptions();
    if (!loaded()) return;
    OptionsLoaded = true;
    SetScrollRanges();
    LoadFreeUpSettings();
    if (!loaded()) return;
    FreeUpSettingsLoaded = true;
    ReadCacheSettings();
    if (!loaded()) return;
    CacheSettingsRead = true;
    Timer1_Timer();
}

void Form5::Form_Activate() { FocusSink(); }

bool Form5::FocusSink() { return P.host.SetFocus(*Text5); }

void Form5::Check1_Click(int Index) {
    if (PageSwitching == 1) return;
    PageSwitching = 1;

    Timer3->setEnabled(false);
    Timer2->setEnabled(false);
    List2->clear();
    Check2->setValue(forms::vbUnchecked);
    Frame2->setVisible(false);

    for (int i = 0; i <= 4; ++i) {
        Frame1(i).setVisible(false);
        if (i != Index) Check1(i).setValue(forms::vbUnchecked);
    }

    switch (Index) {
    case 1:
        Timer2->setEnabled(true);
        Timer2_Timer();
        break;
    case 2:
        RefreshModuleList("none");
        SetHorizontalExtent(*List2);
        break;
    case 4:
        ReadCacheSettings();
        Timer3_Timer();
        Timer3->setEnabled(true);
        break;
    default:
        break;
    }

    Frame1(Index).setVisible(true);
    Frame1(Index).setCaption("");
    Check1(Index).setValue(forms::vbChecked);
    FocusSink();
    PageSwitching = 0;
}

void Form5::Check2_Click() {
    if (PageSwitching == 1) return;
    PageSwitching = 1;

    Timer3->setEnabled(false);
    Timer2->setEnabled(false);
    List2->clear();

    for (int i = 0; i <= 4; ++i) {
        Frame1(i).setVisible(false);
        Check1(i).setValue(forms::vbUnchecked);
    }

    Check2->setValue(forms::vbChecked);
    Frame2->setVisible(true);
    Frame2->setCaption("");
    FocusSink();
    PageSwitching = 0;
}

void Form5::Check5_Click() { Unload(); }

void Form5::Check6_Click() {
    if (Check6->value() != forms::vbChecked) return;
    FocusSink();
    // While the menu is open its exit command may unload everything; only a running program
    // releases the button afterwards.
    P.form6().ShowAvailableExtras();
    P.host.PopupMenu(*this, *P.form6().file_menu, nullptr);
    if (Unloading == 0) Check6->setValue(forms::vbUnchecked);
}

void Form5::Check8_Click() {
    FocusSink();
    Check8->setValue(forms::vbUnchecked);
    // Where there is no notification area the host minimises the window instead.
    Hide();
}

void Form5::Label20_MouseMove(int Button, int, float, float) {
    if (Button == forms::vbLeftButton) P.host.BeginWindowDrag(*this);
}

void Form5::Form_QueryUnload(int&, int) {
    for (const char* name : {"Form1", "Form2", "Form3", "Form4", "Form6"}) {
        // A copy: unloading may create or forget windows.
        const std::vector<forms::Form*> windows = P.app.forms();
        for (forms::Form* f : windows)
            if (f != this && f->name() == name && f->loaded()) f->Unload();
    }

    {
        // Each settings file is written once, and only if something in it changed.
        const platform::UpdateScope update(P.sys);
        SaveOptions();
        SaveFreeUpSettings();
        if (CacheSettingsRead) WriteCacheSettings();
        if (LanguageChosen) Settings::SaveSetting(P.sys, "TALVO", kAppTitle, "Language", Combo1->text());
    }
    Unloading = 1;
}

void Form5::Form_Unload(int&) { TaskBar_Icon::TrayRemoveIcon(P); }

}  // namespace tarnolux
