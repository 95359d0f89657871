#include "platform/common/state_log.h"

#include "platform/common/text.h"
#include "platform/system.h"

namespace platform::statelog {

std::optional<std::vector<std::string>> Lines(std::string_view text, std::string_view header) {
    std::vector<std::string> lines = text::SplitLines(text);
    if (lines.empty() || lines.front() != header) return std::nullopt;
    lines.erase(lines.begin());
    return lines;
}

Update Append(const std::optional<std::string>& existing, bool readable, const std::string& header,
              const std::string& line, std::size_t keep) {
    Update update;
    std::vector<std::string> lines;
    if (existing || !readable) {
        std::optional<std::vector<std::string>> old = readable ? Lines(*existing, header) : std::nullopt;
        if (old) lines = std::move(*old);
        else update.keepAside = true;
    }
    lines.push_back(line);
    const std::size_t from = SubtractOrZero(lines.size(), keep);
    update.text = header + "\n";
    for (std::size_t i = from; i < lines.size(); ++i) update.text += lines[i] + "\n";
    return update;
}

Writer::~Writer() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ending_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Writer::Post(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        jobs_.push_back(std::move(job));
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void Writer::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        hold.unlock();
        try {
            job();
        } catch (...) {
            // A record that cannot be written is lost; the program goes on.
        }
        hold.lock();
    }
}

}  // namespace platform::statelog
