// The program's logs in the user's state folder: what a log file holds, and the thread that
// writes them, so that no caller ever waits for a disk.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace platform::statelog {

// A file larger than this is not one of our logs.
inline constexpr std::size_t kLargestLog = std::size_t{1} << 20;

// The lines after `header`, oldest first; nothing when `text` does not begin with that line.
std::optional<std::vector<std::string>> Lines(std::string_view text, std::string_view header);

// What becomes of the log when `line` is added to what the file holds now (`existing`: nothing
// when there is no file; `readable` false when there is one that could not be read).
struct Update {
    bool keepAside = false;  // what is there is no log of ours: move it aside first
    std::string text;        // the whole new file
};
Update Append(const std::optional<std::string>& existing, bool readable, const std::string& header,
              const std::string& line, std::size_t keep);

// Runs jobs one after another on a thread of its own, started with the first; destruction waits
// for the jobs already handed over.
class Writer {
public:
    Writer() = default;
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    void Post(std::function<void()> job);

private:
    void Run();
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace platform::statelog
