#include "app/program.h"

#include "app/form5.h"
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
        if (!answer) StartError = "Tarnolux is running but does not answer";
        else if (*answer != "ok") StartError = *answer;
        return false;
    }
    // Nothing runs that could be ended.
    if (Command.action == CommandLine::Action::Quit) return false;
    // This instance holds the lock from here on: later starts come to it.
    if (const std::string channel = sys.InstanceChannel(); !channel.empty()) host.ListenForLaterStarts(channel);
    main.Load();
    if (!main.loaded()) return false;
    Perform(Command);
    return main.loaded();
}

int Program::Run() {
    if (!Start()) return StartError.empty() ? 0 : 1;
    return host.Run();
}

std::string Program::LaterStartRequest(const std::string& request) {
    const std::optional<CommandLine> command = DecodeRequest(request);
    if (!command) return "Tarnolux does not know the request '" + request + "'";
    if (!form5_ || !form5_->loaded()) return "Tarnolux is ending";
    Perform(*command);
    return "ok";
}

void Program::Perform(const CommandLine& command) {
    Form5& main = form5();
    switch (command.action) {
    case CommandLine::Action::Show:
        form6().restore_menu_Click();
        if (main.loaded() && main.visible()) host.ActivateWindow(main);
        break;
    case CommandLine::Action::FreeUp:
        // As the tray menu's command does, with the amount given in its place when there is one.
        if (command.freeUpMB) {
            std::int32_t mb = *command.freeUpMB;
            main.DefragMemoryNow(mb);
        } else {
            form6().free_up_menu_Click();
        }
        break;
    case CommandLine::Action::Quit:
        form6().exit_menu_Click();
        break;
    default:
        break;
    }
}

}  // namespace tarnolux
