// Later starts of the program: a named pipe, private to the user's session, carries their one-line
// requests to the running instance and its answers back. The pipe is served on a thread of its own,
// each client on one of its own; each request is carried out on the user-interface thread, like
// any other event.
#include "host/win32/win32_host_impl.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace win32host {

namespace {

constexpr std::size_t kLongestRequest = 256;
constexpr DWORD kIdleClientMs = 10000;
constexpr auto kConnectWithin = std::chrono::seconds(5);

// Overlapped input and output that gives up at `limit` or when `stop` is set. Lines are read
// through a buffer of their own, so that several arriving at once are all kept.
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

    // The next line; nothing when it is too long or does not come within `limitMs`.
    std::optional<std::string> ReadLine(DWORD limitMs) {
        const ULONGLONG until = ::GetTickCount64() + limitMs;
        while (buffer_.find('\n') == std::string::npos) {
            if (buffer_.size() > kLongestRequest * 4) return std::nullopt;
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
            buffer_.append(buf, got);
        }
        const std::size_t end = buffer_.find('\n');
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
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
    std::string buffer_;
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
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    answered.notify_all();
    if (thread.joinable()) thread.join();
    for (Client& c : clients) c.thread.join();
    if (stop) ::CloseHandle(stop);
}

void LaterStartListener::serve(HANDLE pipe) {
    while (pipe != INVALID_HANDLE_VALUE) {
        {
            PipeIo io(pipe, stop);
            if (!io.ok() || !io.Accept()) break;
        }
        if (::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) break;
        // The next instance is made before this one is handed over, so the name is never free for
        // another, and a client that comes while a long request is under way is heard at once.
        const HANDLE next = MakePipe(name, false);
        {
            std::lock_guard<std::mutex> hold(lock);
            std::erase_if(clients, [](Client& c) {
                if (!*c.done) return false;
                c.thread.join();
                return true;
            });
            auto done = std::make_shared<std::atomic<bool>>(false);
            clients.push_back({std::thread([this, pipe, done] {
                                   answer(pipe);
                                   *done = true;
                               }),
                               done});
        }
        pipe = next;
    }
    if (pipe != INVALID_HANDLE_VALUE) ::CloseHandle(pipe);
}

void LaterStartListener::answer(HANDLE pipe) {
    PipeIo io(pipe, stop);
    if (const std::optional<std::string> request = io.ok() ? io.ReadLine(kIdleClientMs) : std::nullopt) {
        std::uint64_t id = 0;
        {
            std::lock_guard<std::mutex> hold(lock);
            id = ++lastId;
            waiting.emplace_back(id, *request);
        }
        ::PostMessageW(notify, kLaterStartMessage, 0, 0);
        std::optional<std::string> reply;
        bool listening = true;  // the client is still there to hear the heartbeat
        const auto heartbeatMs = static_cast<UINT>(timing.heartbeat.count());
        for (;;) {
            {
                std::unique_lock<std::mutex> hold(lock);
                if (answered.wait_for(hold, timing.heartbeat, [&] { return stopping || replies.contains(id); })) {
                    if (const auto it = replies.find(id); it != replies.end()) {
                        reply = std::move(it->second);
                        replies.erase(it);
                    }
                    std::erase_if(waiting, [id](const auto& w) { return w.first == id; });
                    break;
                }
            }
            // Still at work: a sign of life, as long as the user-interface thread serves its
            // messages. One that does not is hung, and the client will give up on it.
            DWORD_PTR ignored = 0;
            if (listening && ::SendMessageTimeoutW(notify, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, heartbeatMs, &ignored))
                listening = io.Write(std::string(host::kStillWorking) + "\n", 2000);
        }
        if (reply) {
            io.Write(*reply + "\n", 2000);
            ::FlushFileBuffers(pipe);
        }
    }
    ::DisconnectNamedPipe(pipe);
    ::CloseHandle(pipe);
}

void Win32Host::Impl::laterStartArrived() {
    LaterStartListener* const listener = laterStarts.get();
    // Every request waiting, each in turn; one that arrives while another is carried out is
    // answered by the message that announced it, inside the loop that runs meanwhile.
    for (;;) {
        std::pair<std::uint64_t, std::string> request;
        {
            if (!listener || laterStarts.get() != listener) return;  // the host stopped listening meanwhile
            std::lock_guard<std::mutex> hold(listener->lock);
            if (listener->waiting.empty()) return;
            request = std::move(listener->waiting.front());
            listener->waiting.pop_front();
        }
        const std::string answer = host.LaterStart ? host.LaterStart(request.second) : std::string("Tarnolux is starting");
        if (laterStarts.get() != listener) return;
        {
            std::lock_guard<std::mutex> hold(listener->lock);
            listener->replies[request.first] = answer;
        }
        listener->answered.notify_all();
    }
}

bool Win32Host::ListenForLaterStarts(const std::string& channel) {
    d->laterStarts.reset();
    auto listener = std::make_unique<LaterStartListener>();
    listener->name = W(channel);
    listener->notify = d->messageWindow;
    listener->timing = laterStartTiming;
    listener->stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!listener->stop || !d->messageWindow) return false;
    // Pipes die with their process: unlike a socket file, nothing of a crashed run is left to replace.
    const HANDLE pipe = MakePipe(listener->name, true);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    LaterStartListener* l = listener.get();
    listener->thread = std::thread([l, pipe] { l->serve(pipe); });
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
        // Lines come until the answer: each sign of life puts off giving up.
        if (io.ok() && io.Write(request + "\n", 2000)) {
            const auto silence = static_cast<DWORD>(laterStartTiming.silence.count());
            while ((answer = io.ReadLine(silence)) && *answer == host::kStillWorking) {
            }
        }
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
