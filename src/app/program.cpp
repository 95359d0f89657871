#include "app/program.h"

#include "app/form5.h"
#include "freeup/form2.h"
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
}

Program::~Program() {
    host.TrayMouse = nullptr;
    host.EndSession = nullptr;
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
    if (main.InstanceEnded) return false;
    main.Load();
    return main.loaded();
}

int Program::Run() {
    if (!Start()) return 0;
    return host.Run();
}

}  // namespace tarnolux
