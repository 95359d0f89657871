// Later starts of the program: a named pipe, private to the user's session, carries their one-line
// requests to the running instance and its answers back. The pipe is served on a thread of its own;
// each request is carried out on the user-interface thread, like any other event.
#include "host/win32/win32_host_impl.h"

#include <chrono>

namespace win32host {

namespace {

constexpr std::size_t kLongestRequest = 256;
constexpr DWORD kIdleClientMs = 10000;
// A free-up asked for may play its sound to the end first.
constexpr DWORD kAnswerWithinMs = 120000;
constexpr auto kConnectWithin = std::chrono::seconds(5);

// Overlapped input and output that gives up at `limit` or when `stop` is set.
class PipeIo {
public:
    PipeIo(HANDLE pipe, HANDLE stop) : pipe_(pipe), stop_(stop), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PipeIo() {
        if (event_) ::CloseHandle(event_);
    }
    PipeIo(const PipeIo&) = delete;
    PipeIo& operator=(const PipeIo&) = delete;

    bool ok() const { return event_ != nullptr; }

    // Waits for a client; true when one is there.
    bool Accept() {
        OVERLAPPED ov = fresh();
        if (::ConnectNamedPipe(pipe_, &ov)) return true;
        const DWORD err = ::GetLastError();
        if (err == ERROR_PIPE_CONNECTED) return true;
        if (err != ERROR_IO_PENDING) return false;
        DWORD ignored = 0;
        return finish(ov, INFINITE, ignored);
    }

    // Reads up to the first line end; nothing when the line is too long or does not come in time.
    std::optional<std::string> ReadLine(DWORD limitMs) {
        std::string line;
        const ULONGLONG until = ::GetTickCount64() + limitMs;
        while (line.find('\n') == std::string::npos) {
            if (line.size() > kLongestRequest * 4) return std::nullopt;
            const ULONGLONG now = ::GetTickCount64();
            if (now >= until) return std::nullopt;
            char buf[512];
            OVERLAPPED ov = fresh();
            DWORD got = 0;
            if (!::ReadFile(pipe_, buf, sizeof buf, &got, &ov)) {
                if (::GetLastError() != ERROR_IO_PENDING) return std::nullopt;
                if (!finish(ov, static_cast<DWORD>(until - now), got)) return std::nullopt;
            } else if (!::GetOverlappedResult(pipe_, &ov, &got, FALSE)) {
                return std::nullopt;
            }
            if (got == 0) return std::nullopt;
            line.append(buf, got);
        }
        line.resize(line.find('\n'));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    bool Write(const std::string& text, DWORD limitMs) {
        OVERLAPPED ov = fresh();
        DWORD put = 0;
        if (!::WriteFile(pipe_, text.data(), static_cast<DWORD>(text.size()), &put, &ov)) {
            if (::GetLastError() != ERROR_IO_PENDING || !finish(ov, limitMs, put)) return false;
        }
        return true;
    }

private:
    OVERLAPPED fresh() {
        OVERLAPPED ov{};
        ::ResetEvent(event_);
        ov.hEvent = event_;
        return ov;
    }
    bool finish(OVERLAPPED& ov, DWORD limitMs, DWORD& transferred) {
        const HANDLE waits[2] = {event_, stop_};
        const DWORD woke = ::WaitForMultipleObjects(stop_ ? 2 : 1, waits, FALSE, limitMs);
        if (woke != WAIT_OBJECT_0) {
            ::CancelIo(pipe_);
            ::GetOverlappedResult(pipe_, &ov, &transferred, TRUE);  // the buffer is free again
            return false;
        }
        return ::GetOverlappedResult(pipe_, &ov, &transferred, FALSE) != FALSE;
    }

    HANDLE pipe_;
    HANDLE stop_;
    HANDLE event_;
};

HANDLE MakePipe(const std::wstring& name, bool first) {
    // Only this machine's clients; the first instance also makes sure nobody else owns the name.
    return ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                              PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                              PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
}

}  // namespace

LaterStartListener::~LaterStartListener() {
    if (stop) ::SetEvent(stop);
    if (thread.joinable()) thread.join();
    if (stop) ::CloseHandle(stop);
    if (answered) ::CloseHandle(answered);
}

void LaterStartListener::serve(HANDLE pipe, HWND notify) {
    while (pipe != INVALID_HANDLE_VALUE) {
        PipeIo io(pipe, stop);
        if (!io.ok() || !io.Accept()) break;
        if (const std::optional<std::string> request = io.ReadLine(kIdleClientMs)) {
            std::uint64_t asked = 0;
            {
                std::lock_guard<std::mutex> hold(lock);
                pending = *request;
                asked = ++asking;
            }
            ::PostMessageW(notify, kLaterStartMessage, 0, 0);
            std::optional<std::string> answer;
            const ULONGLONG until = ::GetTickCount64() + kAnswerWithinMs;
            const HANDLE waits[2] = {answered, stop};
            while (!answer && ::GetTickCount64() < until) {
                const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, static_cast<DWORD>(until - ::GetTickCount64()));
                if (woke != WAIT_OBJECT_0) break;
                std::lock_guard<std::mutex> hold(lock);
                if (answeredFor == asked) answer = reply;
            }
            {
                std::lock_guard<std::mutex> hold(lock);
                pending.reset();  // an answer that comes later goes nowhere
            }
            if (answer) {
                io.Write(*answer + "\n", 2000);
                ::FlushFileBuffers(pipe);
            }
        }
        if (::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) break;
        // The next instance is made before this one goes, so the name is never free for another.
        const HANDLE next = MakePipe(name, false);
        ::DisconnectNamedPipe(pipe);
        ::CloseHandle(pipe);
        pipe = next;
    }
    if (pipe != INVALID_HANDLE_VALUE) ::CloseHandle(pipe);
}

void Win32Host::Impl::laterStartArrived() {
    if (!laterStarts) return;
    std::string request;
    {
        // A wake-up that comes late, for a request already taken, finds nothing new.
        std::lock_guard<std::mutex> hold(laterStarts->lock);
        if (!laterStarts->pending || laterStarts->taken == laterStarts->asking) return;
        laterStarts->taken = laterStarts->asking;
        request = *laterStarts->pending;
    }
    const std::string answer = host.LaterStart ? host.LaterStart(request) : std::string("Tarnolux is starting");
    if (!laterStarts) return;  // the host was told to stop listening meanwhile
    {
        std::lock_guard<std::mutex> hold(laterStarts->lock);
        laterStarts->reply = answer;
        laterStarts->answeredFor = laterStarts->asking;
    }
    ::SetEvent(laterStarts->answered);
}

bool Win32Host::ListenForLaterStarts(const std::string& channel) {
    d->laterStarts.reset();
    auto listener = std::make_unique<LaterStartListener>();
    listener->name = W(channel);
    listener->stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener->answered = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!listener->stop || !listener->answered || !d->messageWindow) return false;
    // Pipes die with their process: unlike a socket file, nothing of a crashed run is left to replace.
    const HANDLE pipe = MakePipe(listener->name, true);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    LaterStartListener* l = listener.get();
    const HWND notify = d->messageWindow;
    listener->thread = std::thread([l, pipe, notify] { l->serve(pipe, notify); });
    d->laterStarts = std::move(listener);
    return true;
}

std::optional<std::string> Win32Host::SendToRunningInstance(const std::string& channel, const std::string& request) {
    const std::wstring name = W(channel);
    // The running instance may be starting up and not listen yet.
    const auto until = std::chrono::steady_clock::now() + kConnectWithin;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
        if (::GetLastError() == ERROR_PIPE_BUSY) ::WaitNamedPipeW(name.c_str(), 500);
        else ::Sleep(100);
    }
    std::optional<std::string> answer;
    {
        PipeIo io(pipe, nullptr);
        if (io.ok() && io.Write(request + "\n", 2000)) answer = io.ReadLine(kAnswerWithinMs);
    }
    ::CloseHandle(pipe);
    return answer;
}

void Win32Host::ActivateWindow(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !::IsWindowVisible(fv->window)) return;
    if (::IsIconic(fv->window)) ::ShowWindow(fv->window, SW_RESTORE);
    ::SetForegroundWindow(fv->window);
}

}  // namespace win32host
