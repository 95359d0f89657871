// Mouse notifications of the tray icon reach the main window as a mouse move whose X, in twips at
// 15 per pixel, carries the mouse message.
#include "app/form5.h"
#include "tray/form6.h"

namespace tarnolux {

void Form5::Form_MouseMove(int, int, float X, float) {
    if (X == static_cast<float>(host::WM_LBUTTONDBLCLK * 15)) {
        P.form6().restore_menu_Click();
    } else if (X == static_cast<float>(host::WM_RBUTTONDOWN * 15)) {
        Form6& menus = P.form6();
        menus.ShowAvailableExtras();
        if (menus.file_menu) P.host.PopupMenu(*this, *menus.file_menu, menus.restore_menu);
    }
}

}  // namespace tarnolux
