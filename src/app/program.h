// The running program: its services, its program-wide state and its windows.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "forms/forms.h"
#include "host/host.h"
#include "platform/system.h"

namespace tarnolux {

class Form5;
class Form6;
class Form2;
class Form1;
class Form3;
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
    // false when this start has ended at once: another instance runs (and has been handed
    // `Command`), or there was nothing to do.
    bool Start();

    // What this start was asked for on its command line.
    CommandLine Command;
    // Why this start failed, when it did (one line for the user); empty otherwise.
    std::string StartError;
    // The status a start that ends at once ends with (the running instance's answer).
    int AnswerStatus = 0;
    // Prints a line of the command line's output (what a free-up achieved).
    std::function<void(const std::string& line)> Say;

    // Performs the request of a later start ("show", "free-up [MB]", "quit") and gives the answer
    // that goes back to it (EncodeAnswer; "ok" when there is nothing to tell), or what went wrong.
    std::string LaterStartRequest(const std::string& request);

    forms::Application& app;
    platform::System& sys;
    host::Host& host;

    // Program-wide state.
    std::string CurrentSkin;                 // the skin in use, stored as setting "Skin"
    std::array<std::string, 20> MenuTexts;   // tray menu language texts
    std::string ShowTaskbarText;             // caption of the taskbar-restore button
    std::string AppTitle = kAppTitle;        // default title of message boxes
    // The named texts of the language in use (appearance/texts.h), read with the language file.
    std::map<std::string, std::string, std::less<>> Texts;
    bool TextsComplete = false;  // english.ini has filled in what the language file lacks

    // The windows, each a single program-wide instance, created when first used.
    Form5& form5();
    Form6& form6();
    Form2& form2();
    // The About box and the sound chooser are created on first use and loaded when shown.
    Form1& form1();
    Form3& form3();
    Form4& form4();
    // Whether a window is loaded, without loading it.
    bool form6Loaded() const;
    bool form2Loaded() const;
    bool form4Loaded() const;

private:
    std::string Perform(const CommandLine& command);

    std::unique_ptr<Form5> form5_;
    std::unique_ptr<Form6> form6_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
};

}  // namespace tarnolux
