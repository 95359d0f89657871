#include "app/form5_access.h"

#include "app/form5.h"
#include "appearance/texts.h"

namespace tarnolux {

namespace {

void Describe(forms::Control& c, const char* name, const char* description = "") {
    c.setAccessibleName(name);
    c.setAccessibleDescription(description);
}

}  // namespace

// Controls whose caption says what they are (page buttons, check boxes, the figures) are read by
// their caption and need nothing here.
void DescribeForAccess(Form5& f) {
    Describe(*f.Check6, "Menu", "Opens the Tarnolux menu");
    Describe(*f.Check8, "Hide", "Hides the window; the notification-area icon brings it back");
    Describe(*f.Check5, "Exit", "Ends Tarnolux and saves its settings");
    f.Check6->setToolTipText(Text(f.P, "TipMenu"));
    f.Check8->setToolTipText(Text(f.P, "TipHide"));
    f.Check5->setToolTipText(Text(f.P, "TipExit"));
    f.Label20->setAccessibleDescription("Title bar; drag it to move the window");

    // General page.
    Describe(*f.Picture2, "Processor load graph", "The processor load of the last seconds");
    Describe(f.Label19(0), "Processor load bar", "The figure on the line above gives the percentage");
    Describe(f.Shape1(6), "Processor load");
    Describe(f.Label19(1), "Memory in use bar", "The figure on the line above gives the free memory");
    Describe(f.Shape1(1), "Memory in use");
    Describe(f.Label19(2), "Swap in use bar", "The figure on the line above gives the percentage");
    Describe(f.Shape1(2), "Swap in use");

    // Disk page.
    Describe(*f.Drive1, "Drive");
    Describe(f.Label19(3), "Space used on the drive bar");
    Describe(f.Shape1(4), "Space used on the drive");

    // Active Modules page.
    Describe(*f.List2, "Running programs");
    Describe(*f.Text1, "Selected program");
    Describe(*f.Command1, "End the selected program");
    f.Command1->setToolTipText("End the selected program");

    // Free Up Memory page: the number boxes and the arrows beside them.
    const struct {
        forms::Control* box;
        forms::Control* arrows;
        const char* name;
    } numbers[] = {
        {&f.Text2(3), f.VScroll4, "Limit of free memory in MB"},
        {&f.Text2(4), f.VScroll5, "Memory to free in MB"},
        {&f.Text2(7), f.VScroll10, "Processor load limit in percent"},
        {f.Text3, f.VScroll6, "Memory to free periodically in MB"},
        {f.Text4, f.VScroll9, "Period in minutes"},
        {&f.Text2(0), f.VScroll1, "Minimum disk cache in KB"},
        {&f.Text2(1), f.VScroll2, "Maximum disk cache in KB"},
        {&f.Text2(2), f.VScroll3, "Chunk size in KB"},
        {&f.Text2(5), f.VScroll7, "Name cache"},
        {&f.Text2(6), f.VScroll8, "Directory cache"},
    };
    for (const auto& n : numbers) {
        Describe(*n.box, n.name);
        Describe(*n.arrows, n.name, "Up adds one, down takes one away");
    }

    // Options page.
    Describe(*f.Text6, "Sound file");
    Describe(*f.Command2, "Choose the sound file");
    f.Command2->setToolTipText("Choose the sound file");
    Describe(*f.Combo1, "Language");
}

}  // namespace tarnolux
