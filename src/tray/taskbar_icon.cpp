#include "tray/taskbar_icon.h"

#include <algorithm>
#include <cstring>

#include "app/form5.h"
#include "common/convert.h"

namespace tarnolux::TaskBar_Icon {

void FillTrayData(Program& p, host::NotifyIconData& data) {
    data = host::NotifyIconData{};
    data.window = &p.form5();
    data.id = 0;
    data.flags = host::NIF_MESSAGE;
    data.callbackMessage = 0x200;
    data.icon = {};
    data.tip.fill('\0');
}

void TraySetIcon(Program& p, const forms::Picture& icon, bool add) {
    host::NotifyIconData data;
    FillTrayData(p, data);
    data.icon = icon;
    data.flags |= host::NIF_ICON;
    p.host.ShellNotifyIcon(add ? host::NIM_ADD : host::NIM_MODIFY, data);
}

void TraySetTip(Program& p, const std::string& text) {
    host::NotifyIconData data;
    FillTrayData(p, data);
    // At most 63 characters, each whole, so a terminating 0 always remains.
    const std::string tip = Utf8Left(text, host::NotifyIconData::kTipCharacters - 1);
    const std::size_t n = tip.size();
    std::memcpy(data.tip.data(), tip.data(), n);
    data.flags |= host::NIF_TIP;
    p.host.ShellNotifyIcon(host::NIM_MODIFY, data);
}

void TrayBalloon(Program& p, const std::string& title, const std::string& text) {
    host::NotifyIconData data;
    FillTrayData(p, data);
    data.flags |= host::NIF_INFO;
    data.infoTitle = title;
    data.info = text;
    p.host.ShellNotifyIcon(host::NIM_MODIFY, data);
}

void TrayRemoveIcon(Program& p) {
    host::NotifyIconData data;
    FillTrayData(p, data);
    p.host.ShellNotifyIcon(host::NIM_DELETE, data);
}

}  // namespace tarnolux::TaskBar_Icon
