#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace plover {

// A request to stop, asked once from any thread. Every wait that takes it
// ends as soon as it is asked; a request is never taken back.
class StopSignal {
public:
    StopSignal() = default;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Request() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requested_ = true;
        }
        wake_.notify_all();
    }

    bool Requested() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requested_;
    }

    // Waits up to the given time; true when the stop was asked (at once when
    // it had been asked already).
    bool WaitFor(uint32_t milliseconds) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return wake_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return requested_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
    bool requested_ = false;
};

}  // namespace plover
