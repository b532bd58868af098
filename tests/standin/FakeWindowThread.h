#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Synchronizer.h"

namespace plover::standin {

// The window's thread and its message queue. Synchronize runs the operation
// on that thread and blocks the caller until it has returned, as SendMessage
// of the private message does; on the window's thread itself it runs at once.
// An operation handed over that throws is told to OnError and the caller goes
// on; once the window is closed, waiting callers return without their
// operation.
//
// The window's thread is either the thread that made this object, which runs
// what is handed over whenever it handles its messages (RunQueued, RunUntil),
// or a thread of its own that runs it as it comes.
class FakeWindowThread : public Synchronizer {
public:
    struct OwnThread {};

    FakeWindowThread();
    explicit FakeWindowThread(OwnThread);
    ~FakeWindowThread() override;
    FakeWindowThread(const FakeWindowThread&) = delete;
    FakeWindowThread& operator=(const FakeWindowThread&) = delete;

    void Synchronize(const std::function<void()>& operation) override;
    // Queues a message for the window's thread, as PostMessage does.
    void Post(std::function<void()> message);

    // On the window's thread: handles every message waiting.
    void RunQueued();
    // On the window's thread: handles messages as they come until the
    // condition holds; false after ten seconds without it.
    bool RunUntil(const std::function<bool()>& condition);

    // The window is gone.
    void Close();

    std::thread::id Id() const { return windowThread_; }

    std::function<void(const std::string& error)> OnError;

private:
    void Loop();
    bool Next(std::function<void()>& message);
    void Report(const std::string& error);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool closed_ = false;
    std::thread ownThread_;
    std::thread::id windowThread_;
};

}  // namespace plover::standin
