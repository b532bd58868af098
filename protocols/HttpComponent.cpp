#include "protocols/HttpComponent.h"

namespace plover {

TWinHTTP::~TWinHTTP() {
    if (worker_.joinable()) worker_.join();
}

std::string TWinHTTP::CompleteUrl(const std::string& url) {
    if (url.find("://") != std::string::npos) return url;
    return "http://" + url;
}

bool TWinHTTP::Read(bool wait) {
    bool idle = false;
    if (!busy_.compare_exchange_strong(idle, true)) return false;
    // The worker of the last fetch has delivered its events; let it end.
    if (worker_.joinable()) worker_.join();
    abort_ = false;

    HttpGetRequest request;
    request.url = CompleteUrl(URL);
    request.agent = Agent;
    request.proxy = ProxyServer;
    RedirectedTo.clear();
    request.showGoOnlineMessage = ShowGoOnlineMessage;
    request.timeLimitMilliseconds = TransferTimeLimit;
    request.bodySizeLimit = BodySizeLimit;
    request.stopRequested = [this, stop = StopRequested] { return abort_ || (stop && stop()); };
    try {
        worker_ = std::thread([this, request] { Work(request); });
    } catch (...) {
        busy_ = false;
        throw;
    }
    if (wait) worker_.join();
    return true;
}

void TWinHTTP::Work(const HttpGetRequest& request) noexcept {
    try {
        HttpTransfer transfer;
        bool transferred = true;
        try {
            transfer = transport_.Get(request);
        } catch (...) {
            transferred = false;
        }
        synchronizer_.Synchronize([&] { Deliver(transferred ? &transfer : nullptr); });
    } catch (...) {
        // Nothing escapes the worker; a failed hand-over leaves no event.
    }
    busy_ = false;
}

// Runs on the window's thread. A null transfer stands for an exception on
// the worker.
void TWinHTTP::Deliver(const HttpTransfer* transfer) {
    const auto fire = [this](const TNotifyEvent& event) {
        if (event) event(*this);
    };
    if (transfer == nullptr) {
        fire(OnAnyError);
        return;
    }
    RedirectedTo = transfer->redirectedTo;
    if (transfer->interrupted) {
        fire(OnDoneInterrupted);
        return;
    }
    const int status = transfer->status;
    if (status == 200 || status == 206) {
        // A body stopped at the size limit is as much of the page as will
        // ever be looked at, so it stands for the whole.
        const bool complete =
            transfer->capped ||
            (!transfer->timedOut &&
             (transfer->contentLength == 0 || transfer->body.size() == transfer->contentLength));
        if (complete) {
            if (OnDone) OnDone(*this, transfer->contentType, transfer->body, transfer->body.size());
            return;
        }
        fire(OnConnLost);
    } else if (status == -1) {
        fire(OnHostUnreachable);
    } else if (OnHTTPError) {
        OnHTTPError(*this, status, transfer->body);
    }
    fire(OnAnyError);
}

}  // namespace plover
