#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/HttpTransport.h"
#include "platform/Synchronizer.h"

namespace plover {

// Fetches one page on a worker thread of its own and delivers the outcome as
// events on the window's thread (through the synchronizer, which the worker
// waits on). One fetch at a time.
class TWinHTTP {
public:
    using TOnDone = std::function<void(TWinHTTP& sender, const std::string& contentType,
                                       const std::string& stream, uint64_t fileSize)>;
    using TOnHTTPError =
        std::function<void(TWinHTTP& sender, int errorCode, const std::string& stream)>;
    using TNotifyEvent = std::function<void(TWinHTTP& sender)>;

    TWinHTTP(HttpTransport& transport, Synchronizer& synchronizer)
        : transport_(transport), synchronizer_(synchronizer) {}
    // Waits for a running fetch to end.
    ~TWinHTTP();
    TWinHTTP(const TWinHTTP&) = delete;
    TWinHTTP& operator=(const TWinHTTP&) = delete;

    std::string Agent;
    std::string URL;  // "http://" is put in front of an address without "://"
    bool ShowGoOnlineMessage = true;
    // The proxy a fetch goes through, as the browser settings name it;
    // empty: a direct connection.
    std::string ProxyServer;
    // Where the redirects of the last fetch led (the address the last one
    // pointed to); empty when it met none. Set before its events are raised.
    std::string RedirectedTo;
    // A fetch is given up after this many milliseconds, so that a waiting
    // Read always returns.
    uint32_t TransferTimeLimit = DefaultTransferTimeLimit;
    // No more of a body than this is kept; a body cut off here counts as
    // the page, judged on what arrived.
    uint64_t BodySizeLimit = DefaultBodySizeLimit;

    // Asked while a fetch runs, besides Abort: true ends the fetch at once
    // (OnDoneInterrupted).
    std::function<bool()> StopRequested;

    TOnDone OnDone;                  // the whole body arrived, or as much as the limit keeps
    TOnHTTPError OnHTTPError;        // a status other than 200 or 206
    TNotifyEvent OnHostUnreachable;  // no HTTP status at all
    TNotifyEvent OnConnLost;         // the body ended short, or the time limit cut it
    TNotifyEvent OnAnyError;         // after each failure above, and for an exception
    TNotifyEvent OnDoneInterrupted;  // the fetch was aborted

    // Starts a fetch of URL; false, changing nothing, while one runs. With
    // wait the caller stays here until the worker has delivered the events
    // and ended; it must then not be the thread the synchronizer runs on.
    bool Read(bool wait);
    // Asks a running fetch to stop between two reads of the body.
    void Abort() { abort_ = true; }
    bool Busy() const { return busy_; }

    // The address a fetch of url asks for.
    static std::string CompleteUrl(const std::string& url);

private:
    void Work(const HttpGetRequest& request) noexcept;
    void Deliver(const HttpTransfer* transfer);

    HttpTransport& transport_;
    Synchronizer& synchronizer_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    std::thread worker_;
};

}  // namespace plover
