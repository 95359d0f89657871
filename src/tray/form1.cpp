// The About box, opened modally from the tray menu.
#include "tray/form1.h"

#include "app/form5.h"
#include "common/convert.h"
#include "tray/form6.h"

#ifndef TARNOLUX_CONTACT_EMAIL
#define TARNOLUX_CONTACT_EMAIL "tarnolux@example.org"
#endif

namespace tarnolux {

std::string ContactAddress() { return TARNOLUX_CONTACT_EMAIL; }

Form1::Form1(Program& program) : forms::Form(program.app, "Form1"), P(program) { Design(); }

void Form1::Design() {
    setBorderStyle(3);
    setShowInTaskbar(false);
    setStartUpPosition(2);
    setWidth(3255);
    setHeight(3015);

    Label1 = &add(forms::Kind::Label, "Label1");
    Label1->move(960, 120, 2295, 255);
    forms::Font title;
    title.size = 9.75;
    title.bold = true;
    Label1->setFont(title);
    Label2 = &add(forms::Kind::Label, "Label2");
    Label2->move(960, 600, 2295, 255);
    Image1 = &add(forms::Kind::Image, "Image1");
    Image1->move(120, 120, 495, 375);
    forms::Control& author = Label3.add(1, nullptr);
    author.move(120, 1080, 2655, 255);
    author.setCaption("Programming: Talvo");
    Label3.add(0, nullptr).move(120, 1440, 2775, 255);
    Label4 = &add(forms::Kind::Label, "Label4");
    Label4->move(120, 1920, 3015, 255);
    Label4->setCaption("E-mail: " + ContactAddress());
    Label4->setForeColor(forms::RGB(0, 0, 255));
    Label4->setMousePointer(forms::vbCustom);
    Command1 = &add(forms::Kind::CommandButton, "Command1");
    Command1->move(1080, 2520, 1095, 375);
    Command1->setCaption("OK");

    for (const auto& c : controls())
        if (c->kind() == forms::Kind::Label) c->setBackColor(backColor());

    Command1->Click = [this] { Command1_Click(); };
    Label4->Click = [this] { Label4_Click(); };
}

void Form1::Form_Load() {
    setCaption(kAppTitle);
    Label1->setCaption(kAppTitle);
    Label2->setCaption("Version: " + Dec(P.sys.AppMajor()) + "." + Dec(P.sys.AppMinor()));
    // The picture of the moment: the lamps of the tray, crossed out while the program is disabled.
    Image1->setPicture(P.form5().icon());
}

void Form1::Command1_Click() { Unload(); }

void Form1::Label4_Click() { P.sys.ShellExecute("mailto:" + ContactAddress()); }

void Form6::about_menu_Click() { P.form1().Show(true); }

}  // namespace tarnolux
