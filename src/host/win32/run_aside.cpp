// Long work off the user-interface thread, and a new window brought onto the screen before it.
#include "host/win32/win32_host_impl.h"

#include <thread>

namespace win32host {

void Win32Host::RunAside(const std::function<void(std::stop_token)>& work) {
    std::stop_source stop;
    if (d->quitRequested) stop.request_stop();  // the program is ending: the work is to stop at once
    HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!finished) {
        // Without an event to wait on, the work runs here: slower to paint, never lost.
        work(stop.get_token());
        return;
    }
    std::thread worker([&] {
        try {
            work(stop.get_token());
        } catch (...) {
            // The work reports nothing; a failing step is abandoned like any other.
        }
        ::SetEvent(finished);
    });
    // The windows are served until the work ends, or until the program quits (Quit posts a message
    // that wakes this wait): then the work is asked to stop, and waited for.
    while (!d->quitRequested) {
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &finished, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) break;
        DoEvents();
    }
    if (::WaitForSingleObject(finished, 0) != WAIT_OBJECT_0) stop.request_stop();
    worker.join();
    ::CloseHandle(finished);
}

void Win32Host::PaintNow(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !::IsWindowVisible(fv->window)) return;
    // Showing, activation and sizing are pending messages; once they are served the window paints
    // itself and every child at once, without waiting for its turn in the queue.
    DoEvents();
    fv = d->viewOf(form);  // a handler that ran may have unloaded it
    if (!fv || !::IsWindowVisible(fv->window)) return;
    ::RedrawWindow(fv->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
}

}  // namespace win32host
