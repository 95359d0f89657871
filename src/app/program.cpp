#include "app/program.h"

#include "app/form5.h"
#include "common/convert.h"
#include "freeup/reporting.h"
#include "freeup/form2.h"
#include "tray/form1.h"
#include "tray/form3.h"
#include "tray/form4.h"
#include "tray/form6.h"

namespace tarnolux {

Program::Program(forms::Application& application, platform::System& system, host::Host& h)
    : app(application), sys(system), host(h) {
    // The tray delivers its mouse notifications as a mouse move over the main window whose X, in
    // twips at 15 per pixel, carries the mouse message.
    host.TrayMouse = [this](int mouseMessage) {
        if (form5_ && form5_->loaded()) form5_->Form_MouseMove(0, 0, static_cast<float>(mouseMessage * 15), 0);
    };
    host.EndSession = [this] {
        if (form5_ && form5_->loaded()) form5_->Unload(2);
    };
    host.LaterStart = [this](const std::string& request) { return LaterStartRequest(request); };
}

Program::~Program() {
    host.TrayMouse = nullptr;
    host.EndSession = nullptr;
    host.LaterStart = nullptr;
}

Form5& Program::form5() {
    if (!form5_) form5_ = std::make_unique<Form5>(*this);
    return *form5_;
}

// Touching a window that is not loaded loads it, as the toolkit does.
Form6& Program::form6() {
    if (!form6_) form6_ = std::make_unique<Form6>(*this);
    if (!form6_->loaded()) form6_->Load();
    return *form6_;
}

Form2& Program::form2() {
    if (!form2_) form2_ = std::make_unique<Form2>(*this);
    if (!form2_->loaded()) form2_->Load();
    return *form2_;
}

Form1& Program::form1() {
    if (!form1_) form1_ = std::make_unique<Form1>(*this);
    return *form1_;
}

Form3& Program::form3() {
    if (!form3_) form3_ = std::make_unique<Form3>(*this);
    return *form3_;
}

Form4& Program::form4() {
    if (!form4_) form4_ = std::make_unique<Form4>(*this);
    if (!form4_->loaded()) form4_->Load();
    return *form4_;
}

bool Program::form6Loaded() const { return form6_ && form6_->loaded(); }
bool Program::form2Loaded() const { return form2_ && form2_->loaded(); }
bool Program::form4Loaded() const { return form4_ && form4_->loaded(); }

bool Program::Start() {
    Form5& main = form5();
    main.Form_Initialize();
    if (main.InstanceEnded) {
        // The running instance does what this start was asked for; a plain start shows it.
        const std::string channel = sys.InstanceChannel();
        if (channel.empty()) return false;
        const std::optional<std::string> answer = host.SendToRunningInstance(channel, EncodeRequest(Command));
        const Answer a = answer ? DecodeAnswer(*answer) : Answer{1, {}, "Tarnolux is running but does not answer"};
        StartError = a.error;
        AnswerStatus = a.status;
        if (!a.line.empty() && Say) Say(a.line);
        return false;
    }
    // Nothing runs that could be ended.
    if (Command.action == CommandLine::Action::Quit) return false;
    // This instance holds the lock from here on: later starts come to it.
    if (const std::string channel = sys.InstanceChannel(); !channel.empty()) host.ListenForLaterStarts(channel);
    main.Load();
    if (!main.loaded()) return false;
    // This start is the running one now: it tells its own command line what it did.
    if (const Answer a = DecodeAnswer(Perform(Command)); !a.line.empty() && Say) Say(a.line);
    return main.loaded();
}

int Program::Run() {
    if (!Start()) return StartError.empty() ? AnswerStatus : 1;
    return host.Run();
}

std::string Program::LaterStartRequest(const std::string& request) {
    const std::optional<CommandLine> command = DecodeRequest(request);
    if (!command) return "Tarnolux does not know the request '" + request + "'";
    if (!form5_ || !form5_->loaded()) return "Tarnolux is ending";
    return Perform(*command);
}

std::string Program::Perform(const CommandLine& command) {
    Form5& main = form5();
    switch (command.action) {
    case CommandLine::Action::Show:
        form6().restore_menu_Click();
        if (main.loaded() && main.visible()) host.ActivateWindow(main);
        break;
    case CommandLine::Action::FreeUp: {
        // As the tray menu's command does, with the amount given in its place when there is one;
        // but what the user switched off stays off for a script as for the timers.
        const std::optional<std::int32_t> mb = command.freeUpMB ? command.freeUpMB : ToInt32(main.Text2(4).text());
        FreeUpOutcome o;
        if (ToInt32Or(form6().disable_menu->tag(), 0) != 0) {
            o = HeldBack(*this, Trigger::CommandLine, mb.value_or(0), Reason::SwitchedOff);
            Report(*this, o);
        } else {
            o = FreeUpNow(*this, Trigger::CommandLine, mb);
        }
        return EncodeAnswer(ExitStatus(o), OutcomeLine(o));
    }
    case CommandLine::Action::Quit:
        form6().exit_menu_Click();
        break;
    default:
        break;
    }
    return "ok";
}

}  // namespace tarnolux
