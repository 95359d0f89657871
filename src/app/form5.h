// The main window: a borderless window with a title strip, six page buttons and six pages. Its
// handlers live with the feature they serve (settings/, monitor/, freeup/, appearance/, tray/, ...);
// this header is the one place that lists the window's controls, state and procedures.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/control_array.h"
#include "app/program.h"
#include "forms/forms.h"

namespace tarnolux {

class Form5 : public forms::Form {
public:
    explicit Form5(Program& program);

    Program& P;

    // ---- controls (design: app/form5_design.cpp) -------------------------------------------
    using C = forms::Control*;
    // Title strip and frame.
    C Label20{}, Check6{}, Check8{}, Check5{}, Line3{}, Line4{}, Line5{}, Line6{}, Shape2{};
    // Page buttons, page area, pages, focus sink.
    ControlArray Check1{*this, forms::Kind::CheckBox, "Check1"};
    C Check2{};
    C Picture1{};
    ControlArray Frame1{*this, forms::Kind::Frame, "Frame1"};
    C Frame2{};
    C Text5{};
    // Timers.
    C Timer1{}, Timer2{}, Timer3{}, Timer4{}, Timer5{};
    // General page.
    C Picture2{}, Label3{}, Label4{}, Label5{}, Label6{}, Label7{}, Label8{}, Label15{}, Label16{};
    ControlArray Label19{*this, forms::Kind::Label, "Label19"};
    ControlArray Shape1{*this, forms::Kind::Shape, "Shape1"};
    // Disk page.
    C Drive1{}, Label17{};
    ControlArray Label10{*this, forms::Kind::Label, "Label10"};
    // Active Modules page.
    C List2{}, Text1{}, Command1{};
    // Free Memory page (and the Cache page's share of the shared arrays).
    ControlArray Label11{*this, forms::Kind::Label, "Label11"};
    ControlArray Text2{*this, forms::Kind::TextBox, "Text2"};
    ControlArray Label2{*this, forms::Kind::Label, "Label2"};
    C VScroll4{}, VScroll5{}, VScroll6{}, VScroll9{}, VScroll10{};
    C Check7{}, Check3{}, Label12{}, Text3{}, Label13{}, Text4{}, Label14{}, Line1{}, Line2{};
    // Cache page.
    ControlArray Label1{*this, forms::Kind::Label, "Label1"};
    C VScroll1{}, VScroll2{}, VScroll3{}, VScroll7{}, VScroll8{}, Label9{};
    // Options page.
    ControlArray Check4{*this, forms::Kind::CheckBox, "Check4"};
    C Text6{}, Command2{}, Label18{}, Combo1{};

    // ---- window state -----------------------------------------------------------------------
    bool InstanceEnded = false;              // another instance runs: this one ended at once
    std::int16_t PageSwitching = 0;
    std::int16_t Unloading = 0;
    std::int64_t TotalMemoryMB = 0;          // total physical memory in MB
    std::array<std::int16_t, 25> CPUHistory{};
    std::int16_t LastFreePercent = 0;
    std::int32_t LimitFreeMemoryMB = 0;
    std::int32_t FreeUpMemoryMB = 0;
    std::int16_t PeriodTickCount = 0;
    std::int16_t ScrollStepGuard = 0;
    bool Defragging = false;                 // a free-up is under way; a nested one is dropped
    // What the latest DefragMemoryNow claimed, for the report that follows it: the bytes (0 when
    // nothing), whether the program's end stopped it, and the milliseconds from the claim to the
    // memory given back.
    struct ClaimNote {
        std::uint64_t claimedBytes = 0;
        bool stopped = false;
        std::int64_t ms = 0;
    };
    ClaimNote LastClaim;
    bool LimitGateNoted = false;             // the limit trigger's hold-back is logged once per fall
    // A limit free-up that leaves free memory at the limit is not repeated every second: the
    // trigger waits 30 s, then twice as long each time up to 5 min, until memory recovers.
    std::int32_t LimitBackOffSeconds = 0;    // the current wait; 0 once memory has recovered
    std::int32_t LimitWaitTicks = 0;         // ticks of Timer4 still to wait
    bool LimitJustFreed = false;             // the last tick freed: this one sees whether it helped
    // What start-up has filled from the store. Shutdown saves only that: an end that arrives while
    // start-up still waits (a message box open, a signal, a logout) never stores blank controls.
    bool LanguageChosen = false;
    bool OptionsLoaded = false;
    bool FreeUpSettingsLoaded = false;
    bool CacheSettingsRead = false;

    // Language text tables.
    std::array<std::string, 7> PageTexts;
    std::array<std::string, 7> MonitorTexts;
    std::array<std::string, 4> DriveTexts;
    std::array<std::string, 1> ModuleTexts;
    std::array<std::string, 8> FreeUpTexts;
    std::array<std::string, 7> CacheTexts;
    std::array<std::string, 6> OptionTexts;
    std::array<std::string, 2> PopupTexts;

    // ---- window events and start-up/shutdown (app/) -----------------------------------------
    void Form_Initialize() override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;
    void Check1_Click(int Index);
    void Check2_Click();
    void Check5_Click();
    void Check6_Click();
    void Check8_Click();
    void Label20_MouseMove(int Button, int Shift, float X, float Y);
    bool FocusSink();  // keyboard focus to Text5; false when it cannot take it

    // ---- stored settings (settings/) --------------------------------------------------------
    void LoadFreeUpSettings();
    void SaveFreeUpSettings();
    void LoadOptions();
    void SaveOptions();
    void Check4_Click(int Index);

    // ---- statistics and monitor tick (monitor/) ---------------------------------------------
    void Timer1_Timer();
    void DrawCPUGraph();
    void Timer3_Timer();

    // ---- free-up engine and automatic free-up (freeup/) -------------------------------------
    void DefragMemoryNow(std::int32_t& SizeOfMemoryToDefrag);
    void Timer4_Timer();
    void Timer5_Timer();
    void Check3_Click();
    void Check7_Click();
    void SetScrollRanges();
    void StepScrollValue(forms::Control& bar, std::int16_t& result);
    void VScroll4_Change();
    void VScroll5_Change();
    void VScroll6_Change();
    void VScroll9_Change();
    void VScroll10_Change();

    // ---- disk cache (cache/) ----------------------------------------------------------------
    void ReadCacheSettings();
    void WriteCacheSettings();
    void VScroll1_Change();
    void VScroll2_Change();
    void VScroll3_Change();
    void VScroll7_Change();
    void VScroll8_Change();
    std::int32_t NameCacheRead = 0;          // the name and path cache sizes last read; written back
    std::int32_t PathCacheRead = 0;          // when the page holds no whole number for them

    // ---- drives and processes (sysinfo/) ----------------------------------------------------
    void Timer2_Timer();
    void Drive1_Change();
    void ShowDriveInfo(const std::string& drive);
    std::int32_t RefreshModuleList(const std::string& name);
    void SetHorizontalExtent(forms::Control& list);
    void List2_Click();
    void Command1_Click();

    // ---- languages and skins (appearance/) --------------------------------------------------
    void Combo1_Click();
    void LoadLanguageFile(const std::string& path);
    void ApplyLanguage();
    void LoadSkin(const std::string& path);

    // ---- tray and sound chooser (tray/) -----------------------------------------------------
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;
    void Command2_Click();

private:
    void Design();  // the design-time layout and the event wiring
};

}  // namespace tarnolux
