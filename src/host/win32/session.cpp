// The end of the Windows session: the program unloads its main window, so its settings are saved
// before the session goes.
#include "host/win32/win32_host_impl.h"

namespace win32host {

void Win32Host::Impl::endSession() {
    if (sessionEnding) return;
    sessionEnding = true;
    if (host.EndSession) host.EndSession();
    if (!quitRequested) host.Quit(0);
}

}  // namespace win32host
