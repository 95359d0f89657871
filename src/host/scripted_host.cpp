#include "host/scripted_host.h"

#include "host/host_rules.h"

namespace host {

namespace {
// The channels of the hosts alive in this process.
std::map<std::string, ScriptedHost*>& Listeners() {
    static std::map<std::string, ScriptedHost*> listeners;
    return listeners;
}
}  // namespace

bool ScriptedHost::ListenForLaterStarts(const std::string& channel) {
    // As the real channel does, what a crashed run left behind gives way.
    if (!listeningOn.empty()) Listeners().erase(listeningOn);
    Listeners()[channel] = this;
    listeningOn = channel;
    return true;
}

std::optional<std::string> ScriptedHost::SendToRunningInstance(const std::string& channel, const std::string& request) {
    sentRequests.push_back(request);
    auto it = Listeners().find(channel);
    if (it == Listeners().end() || it->second == this || !it->second->LaterStart) return std::nullopt;
    return it->second->LaterStart(request);
}

ScriptedHost::ScriptedHost(forms::Application& app) : app_(app) {
    app_.setObserver(this);
    app_.runModal = [this](forms::Form& form) {
        if (onModal) onModal(form);
    };
}

ScriptedHost::~ScriptedHost() {
    if (auto it = Listeners().find(listeningOn); !listeningOn.empty() && it != Listeners().end() && it->second == this)
        Listeners().erase(it);
    if (app_.observer() == this) app_.setObserver(nullptr);
    app_.runModal = nullptr;
}

void ScriptedHost::rearm(forms::Control& timer) {
    auto it = timers_.find(&timer);
    if (it == timers_.end()) return;
    const bool running = timer.form().loaded() && timer.enabled() && timer.interval() > 0;
    it->second.due = running ? now_ + timer.interval() : -1;
}

std::int64_t ScriptedHost::DueIn(const forms::Control& timer) const {
    auto it = timers_.find(const_cast<forms::Control*>(&timer));
    if (it == timers_.end() || it->second.due < 0) return -1;
    return it->second.due - now_;
}

void ScriptedHost::Advance(std::int64_t ms) {
    const std::int64_t target = now_ + ms;
    for (;;) {
        forms::Control* next = nullptr;
        TimerState best;
        for (auto& [timer, state] : timers_) {
            if (state.due < 0 || state.due > target) continue;
            if (!next || state.due < best.due || (state.due == best.due && state.order < best.order)) {
                next = timer;
                best = state;
            }
        }
        if (!next) break;
        now_ = best.due;
        timers_[next].due = now_ + next->interval();  // the next period counts from this tick
        next->fireTimer();
    }
    now_ = target;
}

int ScriptedHost::Run() { return exitCode; }

void ScriptedHost::Quit(int code) {
    quitCalled = true;
    exitCode = code;
    asideStop_.request_stop();
}

void ScriptedHost::DoEvents() {
    ++doEventsCount;
    if (onDoEvents) onDoEvents();
}

void ScriptedHost::PaintNow(forms::Form& form) { painted.push_back(&form); }

void ScriptedHost::RunAside(const std::function<void(std::stop_token)>& work) {
    ++runAsideCount;
    std::stop_source stop;
    if (quitCalled) stop.request_stop();
    std::swap(stop, asideStop_);
    if (onRunAside) onRunAside();
    work(asideStop_.get_token());
    std::swap(stop, asideStop_);
}

int ScriptedHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
    msgBoxes.push_back({prompt, style, title});
    // As on a real desktop: once the program is ending nobody answers, and the box counts as closed.
    if (quitCalled) return MsgBoxFor(style).answerOnClose;
    if (onMsgBox) {
        auto handler = onMsgBox;  // it may replace itself
        handler(msgBoxes.back());
    }
    if (msgBoxAnswers.empty()) return vbOK;
    const int answer = msgBoxAnswers.front();
    msgBoxAnswers.pop_front();
    return answer;
}

void ScriptedHost::PopupMenu(forms::Form&, forms::MenuItem& menu, forms::MenuItem* defaultItem) {
    popups.push_back({&menu, defaultItem});
    if (onPopupMenu && !quitCalled) onPopupMenu(menu, defaultItem);
}

void ScriptedHost::SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    windowPos.push_back({&form, insertAfter, x, y, cx, cy, flags});
}

bool ScriptedHost::SetFocus(forms::Control& control) {
    focusCalls.push_back(&control);
    const forms::Form& form = control.form();
    return form.loaded() && form.visible() && control.visible() && control.enabled();
}

bool ScriptedHost::ShellNotifyIcon(int message, const NotifyIconData& data) {
    trayCalls.push_back({message, data});
    switch (message) {
    case NIM_ADD:
        if (trayIconPresent) return false;
        trayIconPresent = true;
        break;
    case NIM_MODIFY:
        if (!trayIconPresent) return false;
        break;
    case NIM_DELETE:
        if (!trayIconPresent) return false;
        trayIconPresent = false;
        return true;
    default:
        return false;
    }
    if (data.flags & NIF_ICON) trayIcon = data.icon;
    if (data.flags & NIF_TIP) trayTip = data.tipText();
    return true;
}

void ScriptedHost::formLoaded(forms::Form& form) {
    for (const auto& c : form.controls())
        if (c->kind() == forms::Kind::Timer) controlAdded(*c);
}

void ScriptedHost::formUnloaded(forms::Form& form) {
    forgetTimers(form);
    if (!app_.anyLoaded()) Quit(0);
}

void ScriptedHost::formDestroyed(forms::Form& form) { forgetTimers(form); }

void ScriptedHost::forgetTimers(const forms::Form& form) {
    std::erase_if(timers_, [&](const auto& entry) { return &entry.first->form() == &form; });
}

void ScriptedHost::controlAdded(forms::Control& control) {
    if (control.kind() != forms::Kind::Timer) return;
    timers_[&control].order = nextOrder_++;
    rearm(control);
}

void ScriptedHost::controlChanged(forms::Control& control, forms::Prop prop) {
    if (control.kind() == forms::Kind::Timer && (prop == forms::Prop::Enabled || prop == forms::Prop::Interval))
        rearm(control);
}

}  // namespace host
