// The Active Modules page: the running processes by executable, and ending one on request.
#include <string>

#include "app/form5.h"
#include "common/convert.h"

namespace tarnolux {

std::int32_t Form5::RefreshModuleList(const std::string& name) {
    std::int32_t result = 0;
    const std::string wanted = LowerCase(name);
    // An empty name would match every entry and end every process; it ends nothing.
    const bool blank = wanted.find_first_not_of(" \t") == std::string::npos;
    const std::uint32_t self = P.sys.CurrentProcessId();
    const std::vector<platform::ProcessEntry> snapshot = P.sys.ProcessSnapshot();
    List2->clear();
    for (const platform::ProcessEntry& p : snapshot) {
        const std::string entry = LowerCase(p.exeFile.substr(0, p.exeFile.find('\0')));
        List2->addItem(entry);
        // Never this program itself: the user has Exit for that, which keeps its settings.
        if (!blank && entry.ends_with(wanted) && p.pid != self) {
            result = 1;
            P.sys.TerminateProcess(p.pid);
        }
    }
    if (List2->listCount() > 0) List2->setListIndex(0);
    return result;
}

void Form5::List2_Click() { Text1->setText(List2->list(List2->listIndex())); }

void Form5::Command1_Click() {
    const std::string target = Text1->text();
    const std::string prompt = ModuleTexts[0] + target + "';";
    if (P.host.MsgBox(prompt, host::vbYesNo, P.AppTitle) != host::vbYes) return;
    RefreshModuleList(target);
    RefreshModuleList("none");
}

void Form5::SetHorizontalExtent(forms::Control& list) {
    const int perPixel = P.host.TwipsPerPixelX();
    if (perPixel <= 0) return;
    const double extent = RoundHalfEven((static_cast<double>(list.width()) + list.width()) / perPixel);
    if (extent < 0 || extent > INT16_MAX) return;
    list.setHorizontalExtent(static_cast<int>(extent));
}

}  // namespace tarnolux
