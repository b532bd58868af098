#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace plover {

struct HttpGetRequest {
    std::string url;  // with its scheme
    std::string agent;
    // Offer to leave the system's offline mode before sending.
    bool showGoOnlineMessage = true;
    // Asked between reads of the body; true stops the transfer.
    std::function<bool()> stopRequested;
};

struct HttpTransfer {
    int status = -1;  // -1: no HTTP status was received at all
    std::string contentType;
    uint64_t contentLength = 0;  // as announced by the server; 0 when absent
    std::string body;            // every byte received
    bool interrupted = false;    // stopped on request before the body ended
};

// One GET exchange, done synchronously on the calling thread: no cache in
// either direction, no proxy. May throw for an unexpected failure.
class HttpTransport {
public:
    HttpTransport() = default;
    virtual ~HttpTransport() = default;
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    virtual HttpTransfer Get(const HttpGetRequest& request) = 0;
};

}  // namespace plover
