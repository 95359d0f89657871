// The running program: its services, its program-wide state and its windows.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "forms/forms.h"
#include "host/host.h"
#include "platform/system.h"

namespace tarnolux {

class Form5;
class Form6;
class Form2;
class Form4;

// The program title: window caption, application title, tray tip and settings section.
inline const std::string kAppTitle = "Tarnolux ";

class Program {
public:
    Program(forms::Application& app, platform::System& sys, host::Host& host);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program as a single instance and runs it to its end; returns the exit code.
    int Run();
    // Starts the program (single-instance check and start-up) without running the event loop;
    // false when another instance runs and this one has ended at once.
    bool Start();

    forms::Application& app;
    platform::System& sys;
    host::Host& host;

    // Program-wide state.
    std::string CurrentSkin;                 // the skin in use, stored as setting "Skin"
    std::array<std::string, 20> MenuTexts;   // tray menu language texts
    std::string ShowTaskbarText;             // caption of the taskbar-restore button
    std::string AppTitle = kAppTitle;        // default title of message boxes

    // The windows, each a single program-wide instance, created when first used.
    Form5& form5();
    Form6& form6();
    Form2& form2();
    Form4& form4();
    // Whether a window is loaded, without loading it.
    bool form6Loaded() const;
    bool form2Loaded() const;
    bool form4Loaded() const;

private:
    std::unique_ptr<Form5> form5_;
    std::unique_ptr<Form6> form6_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form4> form4_;
};

}  // namespace tarnolux
