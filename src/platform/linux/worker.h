// Work that can hang (a display or a share that stops answering) runs on threads of its own, so the
// thread that asks for it waits only as long as it chooses, and a program that ends is never held
// by it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace platform::linux_impl {

using Clock = std::chrono::steady_clock;

// The result of work started with StartAside. A waiter that gives up leaves the work to run on by
// itself; its result is then dropped.
template <class T>
class Pending {
public:
    std::optional<T> WaitUntil(Clock::time_point deadline) {
        std::unique_lock lock(m_);
        if (!cv_.wait_until(lock, deadline, [&] { return value_.has_value(); })) return std::nullopt;
        return value_;
    }
    void Set(T value) {
        const std::lock_guard lock(m_);
        value_ = std::move(value);
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::optional<T> value_;
};

// Starts `work` on a thread of its own; null when no thread could be had. While `busy` (when given)
// is set, earlier work of the same kind still runs and nothing new starts: a share that hangs costs
// one waiting thread, not one per call.
template <class T>
std::shared_ptr<Pending<T>> StartAside(std::function<T()> work, const std::shared_ptr<std::atomic<bool>>& busy = {}) {
    if (busy && busy->exchange(true)) return nullptr;
    auto pending = std::make_shared<Pending<T>>();
    try {
        std::thread([pending, busy, work = std::move(work)] {
            T value = work();
            if (busy) busy->store(false);
            pending->Set(std::move(value));
        }).detach();
    } catch (const std::system_error&) {
        if (busy) busy->store(false);
        return nullptr;
    }
    return pending;
}

// Jobs run one after another, in the order they were posted, on a thread of their own. Ending the
// worker waits for the jobs posted until Finish's deadline at most; whatever hangs beyond it is
// left to end with the process.
class Worker {
public:
    Worker() = default;
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // False when no thread could be had for it.
    bool Post(std::function<void()> job);
    // Waits until every job posted so far has run, or until `deadline`.
    void Finish(Clock::time_point deadline);

private:
    struct Queue;
    std::shared_ptr<Queue> queue_;
};

}  // namespace platform::linux_impl
