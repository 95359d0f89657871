#include "platform/linux/worker.h"

namespace platform::linux_impl {

// Shared by the worker and its thread, which may outlive it.
struct Worker::Queue {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::function<void()>> jobs;
    bool closing = false;
    unsigned long posted = 0, done = 0;

    void Serve() {
        std::unique_lock lock(m);
        for (;;) {
            cv.wait(lock, [&] { return !jobs.empty() || closing; });
            if (jobs.empty()) return;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr;  // what it holds goes on this thread too
            lock.lock();
            ++done;
            cv.notify_all();
        }
    }
};

Worker::~Worker() {
    if (!queue_) return;
    const std::lock_guard lock(queue_->m);
    queue_->closing = true;
    queue_->cv.notify_all();
}

bool Worker::Post(std::function<void()> job) {
    if (!queue_) {
        auto queue = std::make_shared<Queue>();
        try {
            std::thread([queue] { queue->Serve(); }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        queue_ = std::move(queue);
    }
    const std::lock_guard lock(queue_->m);
    queue_->jobs.push_back(std::move(job));
    ++queue_->posted;
    queue_->cv.notify_all();
    return true;
}

void Worker::Finish(Clock::time_point deadline) {
    if (!queue_) return;
    std::unique_lock lock(queue_->m);
    const unsigned long wanted = queue_->posted;
    queue_->cv.wait_until(lock, deadline, [&] { return queue_->done >= wanted; });
}

}  // namespace platform::linux_impl
