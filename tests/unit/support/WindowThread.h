#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/Synchronizer.h"

namespace plover::testing {

// A thread that stands for the window's: Synchronize runs the operation on
// it and waits, as SendMessage does.
class WindowThread : public Synchronizer {
public:
    WindowThread() : thread_([this] { Loop(); }) {}
    ~WindowThread() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void Synchronize(const std::function<void()>& operation) override {
        std::unique_lock<std::mutex> lock(mutex_);
        bool done = false;
        queue_.push_back([&] {
            operation();
            std::lock_guard<std::mutex> inner(mutex_);
            done = true;
        });
        wake_.notify_all();
        finished_.wait(lock, [&] { return done; });
    }

    std::thread::id Id() const { return thread_.get_id(); }

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (queue_.empty()) return;
            auto operation = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            operation();
            finished_.notify_all();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::function<void()>> queue_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace plover::testing
