// The main window as designed: every control with its place (twips), caption, style and colours,
// and the wiring of its events to the window's handlers.
#include "app/form5.h"
#include "app/form5_access.h"
#include "app/palette.h"

namespace tarnolux {

using forms::Kind;

Form5::Form5(Program& program) : forms::Form(program.app, "Form5"), P(program) { Design(); }

namespace {
void Place(forms::Control& c, int left, int top, int width, int height, const std::string& caption = {}) {
    c.move(left, top, width, height);
    if (!caption.empty()) c.setCaption(caption);
}
forms::Control& ToggleButton(forms::Control& c, int left, int top, int width, int height, const std::string& caption) {
    Place(c, left, top, width, height, caption);
    c.setStyle(1);
    c.setBackColor(palette::Button);
    return c;
}
}  // namespace

void Form5::Design() {
    setCaption(kAppTitle);
    setBorderStyle(0);
    setShowInTaskbar(false);
    setIcon({1, {}});
    setBackColor(palette::Window);
    move(480, 480, 5970, 3120);

    // ---- title strip ----------------------------------------------------------------------------
    Label20 = &add(Kind::Label, "Label20");
    Place(*Label20, 0, 20, 6045, 225, "Tarnolux ");
    Label20->setBackColor(palette::TitleStrip);
    Label20->setForeColor(palette::TitleText);
    Check6 = &ToggleButton(add(Kind::CheckBox, "Check6"), 0, 0, 255, 255, "...");
    Check8 = &ToggleButton(add(Kind::CheckBox, "Check8"), 5460, 0, 255, 255, "__");
    Check5 = &ToggleButton(add(Kind::CheckBox, "Check5"), 5720, 0, 255, 255, "X");
    Line3 = &add(Kind::Line, "Line3");
    Line3->setLine(0, 0, 6360, 0);
    Line3->setBorderColor(palette::LightEdge);
    Line4 = &add(Kind::Line, "Line4");
    Line4->setLine(0, 0, 0, 240);
    Line4->setBorderColor(palette::LightEdge);
    Line5 = &add(Kind::Line, "Line5");
    Line5->setLine(0, 240, 6360, 240);
    Line5->setBorderColor(palette::DarkEdge);
    Line6 = &add(Kind::Line, "Line6");
    Line6->setLine(5950, 240, 5950, 0);
    Line6->setBorderColor(palette::DarkEdge);
    Shape2 = &add(Kind::Shape, "Shape2");
    Place(*Shape2, 0, 120, 5990, 3020);
    Shape2->setBorderColor(palette::DarkEdge);

    // ---- page buttons, page area and pages ------------------------------------------------------
    ToggleButton(Check1.add(0, nullptr), 160, 480, 1815, 375, "CPU");
    ToggleButton(Check1.add(3, nullptr), 160, 840, 1815, 375, "Free Up Memory");
    ToggleButton(Check1.add(4, nullptr), 160, 1200, 1815, 375, "Cache");
    ToggleButton(Check1.add(1, nullptr), 160, 1560, 1815, 375, "Disk");
    ToggleButton(Check1.add(2, nullptr), 160, 1920, 1815, 375, "Active Modules");
    Check2 = &ToggleButton(add(Kind::CheckBox, "Check2"), 160, 2520, 1815, 375, "Options");

    Picture1 = &add(Kind::PictureBox, "Picture1");
    Place(*Picture1, 2080, 480, 3725, 2440);
    Picture1->setBackColor(palette::Page);
    Picture1->setBorderStyle(0);

    const char* frameCaptions[] = {"General", "Disk", "Active Modules", "Free Memory", "Cache"};
    for (int i = 0; i < 5; ++i) {
        forms::Control& f = Frame1.add(i, Picture1);
        Place(f, -10, -120, 3700, 2535, frameCaptions[i]);
        f.setBackColor(palette::Page);
    }
    Frame2 = &add(Kind::Frame, "Frame2", -1, Picture1);
    Place(*Frame2, -10, -120, 3700, 2535, "Options");
    Frame2->setBackColor(palette::Page);

    Text5 = &add(Kind::TextBox, "Text5");
    Place(*Text5, 7440, 240, 615, 195);

    // ---- timers ---------------------------------------------------------------------------------
    Timer1 = &add(Kind::Timer, "Timer1");
    Timer1->setInterval(1000);
    Timer2 = &add(Kind::Timer, "Timer2");
    Timer2->setInterval(2000);
    Timer2->setEnabled(false);
    Timer3 = &add(Kind::Timer, "Timer3");
    Timer3->setInterval(2000);
    Timer3->setEnabled(false);
    Timer4 = &add(Kind::Timer, "Timer4");
    Timer4->setInterval(1000);
    Timer5 = &add(Kind::Timer, "Timer5");
    Timer5->setInterval(0);
    Timer5->setEnabled(false);

    // ---- General page ---------------------------------------------------------------------------
    forms::Control* general = &Frame1(0);
    auto label = [&](forms::Control* container, const std::string& name, int index, int l, int t, int w, int h,
                     const std::string& caption) -> forms::Control& {
        forms::Control& c = index < 0 ? add(Kind::Label, name, -1, container)
                                      : (name == "Label19"   ? Label19.add(index, container)
                                         : name == "Label10" ? Label10.add(index, container)
                                         : name == "Label11" ? Label11.add(index, container)
                                         : name == "Label2"  ? Label2.add(index, container)
                                                             : Label1.add(index, container));
        Place(c, l, t, w, h, caption);
        c.setBackColor(palette::Page);
        c.setForeColor(palette::Text);
        return c;
    };
    auto track = [&](int index, forms::Control* container, int l, int t, int w, int h) {
        forms::Control& c = label(container, "Label19", index, l, t, w, h, "");
        c.setBackColor(palette::Track);
        c.setBorderStyle(1);
    };
    auto bar = [&](int index, forms::Control* container, int l, int t, int h) {
        forms::Control& s = Shape1.add(index, container);
        s.move(l, t, 0, h);
        s.setBackStyle(1);
        s.setBackColor(palette::Gauge);
        s.setBorderColor(palette::Gauge);
    };

    Label3 = &label(general, "Label3", -1, 120, 240, 3495, 255, "CPU Usage");
    track(0, general, 120, 480, 2415, 135);
    bar(6, general, 120, 480, 135);
    Picture2 = &add(Kind::PictureBox, "Picture2", -1, general);
    Place(*Picture2, 2600, 260, 770, 375);
    Picture2->setBackColor(palette::GraphBack);
    Picture2->setForeColor(palette::GraphInk);
    Picture2->setBorderStyle(1);
    Label4 = &label(general, "Label4", -1, 120, 720, 3495, 255, "Total Memory");
    Label5 = &label(general, "Label5", -1, 120, 960, 2895, 255, "Free Memory");
    Label15 = &label(general, "Label15", -1, 2760, 960, 615, 255, "");
    Label15->setAlignment(1);
    track(1, general, 120, 1200, 3255, 135);
    bar(1, general, 120, 1200, 135);
    Label6 = &label(general, "Label6", -1, 120, 1440, 3495, 255, "Swap Memory");
    Label7 = &label(general, "Label7", -1, 120, 1680, 3015, 255, "Swap Memory Used");
    Label16 = &label(general, "Label16", -1, 2760, 1680, 615, 255, "");
    Label16->setAlignment(1);
    track(2, general, 120, 1920, 3255, 135);
    bar(2, general, 120, 1920, 135);
    Label8 = &label(general, "Label8", -1, -10, 2270, 3735, 270, "Poroi");
    Label8->setAlignment(2);

    // ---- Disk page ------------------------------------------------------------------------------
    forms::Control* disk = &Frame1(1);
    Drive1 = &add(Kind::DriveListBox, "Drive1", -1, disk);
    Place(*Drive1, 120, 240, 3495, 315);
    label(disk, "Label10", 0, 120, 720, 3495, 255, "");
    label(disk, "Label10", 1, 120, 1000, 3495, 255, "");
    label(disk, "Label10", 2, 120, 1280, 3495, 255, "");
    track(3, disk, 120, 1620, 3255, 135);
    bar(4, disk, 120, 1620, 135);
    Label17 = &label(disk, "Label17", -1, 120, 1920, 3495, 255, "");

    // ---- Active Modules page --------------------------------------------------------------------
    forms::Control* modules = &Frame1(2);
    List2 = &add(Kind::ListBox, "List2", -1, modules);
    Place(*List2, 0, 240, 3705, 1815);
    Text1 = &add(Kind::TextBox, "Text1", -1, modules);
    Place(*Text1, 0, 2145, 3180, 285);
    Command1 = &add(Kind::CommandButton, "Command1", -1, modules);
    Place(*Command1, 3225, 2145, 465, 285, "X");

    // ---- Free Memory page -----------------------------------------------------------------------
    forms::Control* freeup = &Frame1(3);
    auto text2 = [&](int index, forms::Control* container, int l, int t, int w) -> forms::Control& {
        forms::Control& c = Text2.add(index, container);
        Place(c, l, t, w, 285);
        c.setAlignment(1);
        return c;
    };
    auto scroll = [&](const std::string& name, forms::Control* container, int l, int t) -> forms::Control* {
        forms::Control& c = add(Kind::VScrollBar, name, -1, container);
        Place(c, l, t, 255, 285);
        return &c;
    };
    label(freeup, "Label11", 0, 120, 285, 1935, 255, "Limit Free Memory:");
    text2(3, freeup, 2100, 240, 735);
    VScroll4 = scroll("VScroll4", freeup, 2835, 240);
    label(freeup, "Label2", 3, 3150, 285, 465, 255, "MB.");
    label(freeup, "Label11", 1, 120, 645, 1935, 255, "Free Memory:");
    text2(4, freeup, 2100, 600, 735);
    VScroll5 = scroll("VScroll5", freeup, 2835, 600);
    label(freeup, "Label2", 4, 3150, 645, 465, 255, "MB.");
    Check7 = &add(Kind::CheckBox, "Check7", -1, freeup);
    Place(*Check7, 120, 930, 1935, 435, "Defrag only if CPU usage is less than:");
    Check7->setBackColor(palette::Page);
    text2(7, freeup, 2100, 1005, 735).setEnabled(false);
    VScroll10 = scroll("VScroll10", freeup, 2835, 1005);
    VScroll10->setEnabled(false);
    Line2 = &add(Kind::Line, "Line2", -1, freeup);
    Line2->setLine(120, 1500, 3600, 1500);
    Line2->setBorderColor(palette::DarkEdge);
    Line1 = &add(Kind::Line, "Line1", -1, freeup);
    Line1->setLine(120, 1500, 3600, 1500);
    Line1->setBorderColor(palette::LightEdge);
    Check3 = &add(Kind::CheckBox, "Check3", -1, freeup);
    Place(*Check3, 120, 1620, 3495, 285, "Enable periodical free up memory.");
    Check3->setBackColor(palette::Page);
    Label12 = &label(freeup, "Label12", -1, 120, 2085, 615, 255, "Free up");
    Label12->setEnabled(false);
    Text3 = &add(Kind::TextBox, "Text3", -1, freeup);
    Place(*Text3, 750, 2040, 585, 285);
    Text3->setAlignment(1);
    Text3->setEnabled(false);
    VScroll6 = scroll("VScroll6", freeup, 1335, 2040);
    VScroll6->setEnabled(false);
    Label13 = &label(freeup, "Label13", -1, 1650, 2085, 870, 255, "MB, every");
    Label13->setEnabled(false);
    Text4 = &add(Kind::TextBox, "Text4", -1, freeup);
    Place(*Text4, 2535, 2040, 465, 285);
    Text4->setAlignment(1);
    Text4->setEnabled(false);
    VScroll9 = scroll("VScroll9", freeup, 3000, 2040);
    Label14 = &label(freeup, "Label14", -1, 3300, 2085, 375, 255, "min.");
    Label14->setEnabled(false);

    // ---- Cache page -----------------------------------------------------------------------------
    forms::Control* cache = &Frame1(4);
    const char* cacheCaptions[] = {"Minimum Disk Cache:", "Maximum Disk Cache:", "Chunk Size:", "Name Cache:",
                                   "Directory Cache:"};
    const int cacheText[] = {0, 1, 2, 5, 6};
    const char* cacheScroll[] = {"VScroll1", "VScroll2", "VScroll3", "VScroll7", "VScroll8"};
    forms::Control** cacheBars[] = {&VScroll1, &VScroll2, &VScroll3, &VScroll7, &VScroll8};
    // The boxes hold eight digits, what the bars reach on machines up to 95 GB (24 GB of memory
    // gives 25165824 KB); the captions and units have room to spare for them.
    for (int i = 0; i < 5; ++i) {
        const int top = 240 + i * 360;
        label(cache, "Label1", i, 120, top + 45, 1815, 255, cacheCaptions[i]);
        text2(cacheText[i], cache, 1980, top, 1005);
        *cacheBars[i] = scroll(cacheScroll[i], cache, 2985, top);
        label(cache, "Label2", cacheText[i], 3300, top + 45, 315, 255, "KB.");
    }
    Label9 = &label(cache, "Label9", -1, 120, 2160, 3495, 255, "Current Cache Size");

    // ---- Options page ---------------------------------------------------------------------------
    const char* optionCaptions[] = {"Start on Windows StartUp.", "Start minimized.",
                                    "Show Pop-Up menu when defrag memory.", "Play sound when defrag memory."};
    for (int i = 0; i < 4; ++i) {
        forms::Control& c = Check4.add(i, Frame2);
        Place(c, 120, 240 + i * 300, 3495, 285, optionCaptions[i]);
        c.setBackColor(palette::Page);
    }
    Text6 = &add(Kind::TextBox, "Text6", -1, Frame2);
    Place(*Text6, 120, 1500, 3060, 285);
    Command2 = &add(Kind::CommandButton, "Command2", -1, Frame2);
    Place(*Command2, 3195, 1500, 420, 285);
    Command2->setPicture({0, "folder"});
    Label18 = &label(Frame2, "Label18", -1, 120, 1995, 1695, 255, "Select Language:");
    Combo1 = &add(Kind::ComboBox, "Combo1", -1, Frame2);
    Place(*Combo1, 1860, 1950, 1755, 315);

    // ---- events ---------------------------------------------------------------------------------
    for (auto& [i, c] : Check1.items()) c->Click = [this, i = i] { Check1_Click(i); };
    Check2->Click = [this] { Check2_Click(); };
    Check5->Click = [this] { Check5_Click(); };
    Check6->Click = [this] { Check6_Click(); };
    Check8->Click = [this] { Check8_Click(); };
    Label20->MouseMove = [this](int b, int s, float x, float y) { Label20_MouseMove(b, s, x, y); };
    for (auto& [i, c] : Check4.items()) c->Click = [this, i = i] { Check4_Click(i); };
    Timer1->Timer = [this] { Timer1_Timer(); };
    Timer2->Timer = [this] { Timer2_Timer(); };
    Timer3->Timer = [this] { Timer3_Timer(); };
    Timer4->Timer = [this] { Timer4_Timer(); };
    Timer5->Timer = [this] { Timer5_Timer(); };
    Check3->Click = [this] { Check3_Click(); };
    Check7->Click = [this] { Check7_Click(); };
    VScroll1->Change = [this] { VScroll1_Change(); };
    VScroll2->Change = [this] { VScroll2_Change(); };
    VScroll3->Change = [this] { VScroll3_Change(); };
    VScroll4->Change = [this] { VScroll4_Change(); };
    VScroll5->Change = [this] { VScroll5_Change(); };
    VScroll6->Change = [this] { VScroll6_Change(); };
    VScroll7->Change = [this] { VScroll7_Change(); };
    VScroll8->Change = [this] { VScroll8_Change(); };
    VScroll9->Change = [this] { VScroll9_Change(); };
    VScroll10->Change = [this] { VScroll10_Change(); };
    Combo1->Click = [this] { Combo1_Click(); };
    Drive1->Change = [this] { Drive1_Change(); };
    List2->Click = [this] { List2_Click(); };
    Command1->Click = [this] { Command1_Click(); };
    Command2->Click = [this] { Command2_Click(); };

    DescribeForAccess(*this);
}

}  // namespace tarnolux
