// The host contract against the scripted host, the one the program's own tests run on.
#include <functional>

#include "host/scripted_host.h"
#include "host_contract.h"

namespace {

class ScriptedDriver {
public:
    static constexpr bool kHasWindows = false;
    explicit ScriptedDriver(forms::Application& app) : host_(app) {
        host_.onPopupMenu = [this](forms::MenuItem& menu, forms::MenuItem*) {
            // The scripted host has no menu of its own to look at: the items a real one would offer.
            menuOffered.clear();
            forms::MenuItem* chosen = nullptr;
            for (const auto& item : menu.children()) {
                if (!item->visible()) continue;
                menuOffered.push_back(item->isSeparator() ? "-" : item->caption());
                if (!item->isSeparator() && item->caption() == choice_) chosen = item.get();
            }
            choice_.clear();
            if (chosen) chosen->userClick();
        };
    }
    bool Usable() { return true; }
    host::Host& host() { return host_; }
    void UserCloses(forms::Form& form) { form.Unload(0); }
    void ChooseInNextMenu(std::string caption) { choice_ = std::move(caption); }
    std::vector<std::string> menuOffered;
    void AnswerNextMsgBox(int answer) { host_.msgBoxAnswers.push_back(answer); }
    void LetTimePass(int ms) { host_.Advance(ms); }
    bool Shown(const forms::Form& form) { return form.loaded() && form.visible(); }
    void WhileWorkRuns(std::function<void()> serve) { host_.onRunAside = std::move(serve); }
    std::string Channel() { return "contract"; }
    std::optional<std::string> SendFromAnotherStart(const std::string& channel, const std::string& request) {
        forms::Application otherApp;
        host::ScriptedHost other(otherApp);
        return other.SendToRunningInstance(channel, request);
    }

private:
    host::ScriptedHost host_;
    std::string choice_;
};

}  // namespace

namespace hostcontract {
INSTANTIATE_TYPED_TEST_SUITE_P(Scripted, HostContract, ScriptedDriver);
}
