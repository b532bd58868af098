#include "tests/standin/FakeWindowThread.h"

#include <chrono>
#include <exception>
#include <memory>

namespace plover::standin {

FakeWindowThread::FakeWindowThread() : windowThread_(std::this_thread::get_id()) {}

FakeWindowThread::FakeWindowThread(OwnThread) : ownThread_([this] { Loop(); }) {
    windowThread_ = ownThread_.get_id();
}

FakeWindowThread::~FakeWindowThread() {
    Close();
    if (ownThread_.joinable()) ownThread_.join();
}

void FakeWindowThread::Synchronize(const std::function<void()>& operation) {
    if (std::this_thread::get_id() == windowThread_) {
        operation();
        return;
    }
    // The message owns what it needs: a caller let go by Close may leave
    // while the window's thread is still running it.
    auto done = std::make_shared<bool>(false);
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_) return;
    queue_.push_back([this, operation, done] {
        try {
            operation();
        } catch (const std::exception& error) {
            Report(error.what());
        } catch (...) {
            Report("unknown error");
        }
        std::lock_guard<std::mutex> finished(mutex_);
        *done = true;
        wake_.notify_all();
    });
    wake_.notify_all();
    wake_.wait(lock, [&] { return *done || closed_; });
}

void FakeWindowThread::Post(std::function<void()> message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    queue_.push_back(std::move(message));
    wake_.notify_all();
}

bool FakeWindowThread::Next(std::function<void()>& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    message = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void FakeWindowThread::RunQueued() {
    std::function<void()> message;
    while (Next(message)) message();
}

bool FakeWindowThread::RunUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !queue_.empty(); });
        }
        RunQueued();
    }
    return true;
}

void FakeWindowThread::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    queue_.clear();
    wake_.notify_all();
}

void FakeWindowThread::Loop() {
    for (;;) {
        std::function<void()> message;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return closed_ || !queue_.empty(); });
            if (closed_) return;
            message = std::move(queue_.front());
            queue_.pop_front();
        }
        // Nothing escapes the window's thread.
        try {
            message();
        } catch (const std::exception& error) {
            Report(error.what());
        } catch (...) {
            Report("unknown error");
        }
    }
}

void FakeWindowThread::Report(const std::string& error) {
    try {
        if (OnError) OnError(error);
    } catch (...) {
    }
}

}  // namespace plover::standin
