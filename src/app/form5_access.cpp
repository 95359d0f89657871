#include "app/form5_access.h"

#include <string_view>

#include "app/form5.h"
#include "appearance/texts.h"

namespace tarnolux {

namespace {

// Names and descriptions are named texts, so that a screen reader speaks the language in use.
void Describe(Program& P, forms::Control& c, std::string_view name, std::string_view description = {}) {
    c.setAccessibleName(Text(P, name));
    c.setAccessibleDescription(description.empty() ? std::string() : Text(P, description));
}

}  // namespace

// Controls whose caption says what they are (page buttons, check boxes, the figures) are read by
// their caption and need nothing here. Runs again with every language applied.
void DescribeForAccess(Form5& f) {
    Program& P = f.P;
    Describe(P, *f.Check6, "TipMenu", "AccMenuInfo");
    Describe(P, *f.Check8, "TipHide", "AccHideInfo");
    Describe(P, *f.Check5, "TipExit", "AccExitInfo");
    f.Check6->setToolTipText(Text(P, "TipMenu"));
    f.Check8->setToolTipText(Text(P, "TipHide"));
    f.Check5->setToolTipText(Text(P, "TipExit"));
    f.Label20->setAccessibleDescription(Text(P, "AccTitleInfo"));

    // General page.
    Describe(P, *f.Picture2, "AccGraph", "AccGraphInfo");
    Describe(P, f.Label19(0), "AccLoadBar", "AccPercentInfo");
    Describe(P, f.Shape1(6), "AccLoad");
    Describe(P, f.Label19(1), "AccMemoryBar", "AccMemoryInfo");
    Describe(P, f.Shape1(1), "AccMemory");
    Describe(P, f.Label19(2), "AccSwapBar", "AccPercentInfo");
    Describe(P, f.Shape1(2), "AccSwap");

    // Disk page.
    Describe(P, *f.Drive1, "AccDrive");
    Describe(P, f.Label19(3), "AccDriveBar");
    Describe(P, f.Shape1(4), "AccDriveUsed");

    // Active Modules page.
    Describe(P, *f.List2, "AccPrograms");
    Describe(P, *f.Text1, "AccProgram");
    Describe(P, *f.Command1, "AccEndProgram");
    f.Command1->setToolTipText(Text(P, "AccEndProgram"));

    // Free Up Memory and Cache pages: the number boxes and the arrows beside them.
    const struct {
        forms::Control* box;
        forms::Control* arrows;
        std::string_view name;
    } numbers[] = {
        {&f.Text2(3), f.VScroll4, "AccLimit"},      {&f.Text2(4), f.VScroll5, "AccFreeUp"},
        {&f.Text2(7), f.VScroll10, "AccLoadLimit"}, {f.Text3, f.VScroll6, "AccPeriodFreeUp"},
        {f.Text4, f.VScroll9, "AccPeriod"},         {&f.Text2(0), f.VScroll1, "AccMinCache"},
        {&f.Text2(1), f.VScroll2, "AccMaxCache"},   {&f.Text2(2), f.VScroll3, "AccChunk"},
        {&f.Text2(5), f.VScroll7, "AccNameCache"},  {&f.Text2(6), f.VScroll8, "AccDirCache"},
    };
    for (const auto& n : numbers) {
        Describe(P, *n.box, n.name);
        Describe(P, *n.arrows, n.name, "AccArrowsInfo");
    }

    // Options page.
    Describe(P, *f.Text6, "AccSoundFile");
    Describe(P, *f.Command2, "AccChooseSound");
    f.Command2->setToolTipText(Text(P, "AccChooseSound"));
    Describe(P, *f.Combo1, "AccLanguage");
}

}  // namespace tarnolux
