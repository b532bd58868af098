#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace plover {

// The longest one page fetch may take, from the first connect to the last
// byte of the body. A slow page over a poor line still arrives well within
// it; a server that never answers, answers a byte at a time or sends without
// end is given up on.
constexpr uint32_t DefaultTransferTimeLimit = 60 * 1000;

// The most body bytes one fetch keeps. Far above any home page; a server
// that sends without end is cut off here, whatever length it announced, and
// what came is judged as the page.
constexpr uint64_t DefaultBodySizeLimit = 8 * 1024 * 1024;

struct HttpGetRequest {
    std::string url;  // with its scheme
    std::string agent;
    // The proxy to ask, as the browser settings name it: "host:port", or a
    // list per scheme ("http=host:port;https=..."). Empty: a direct connection.
    std::string proxy;
    // Offer to leave the system's offline mode before sending.
    bool showGoOnlineMessage = true;
    // Asked while the exchange runs; true ends it at once, interrupted.
    std::function<bool()> stopRequested;
    // The whole exchange ends within this many milliseconds, whatever the
    // server does.
    uint32_t timeLimitMilliseconds = DefaultTransferTimeLimit;
    // The body is read no further than this many bytes.
    uint64_t bodySizeLimit = DefaultBodySizeLimit;
};

struct HttpTransfer {
    int status = -1;  // -1: no HTTP status was received at all
    std::string contentType;
    uint64_t contentLength = 0;  // as announced by the server; 0 when absent
    std::string body;            // every byte received
    bool interrupted = false;    // stopped on request before the body ended
    bool timedOut = false;       // the time limit ended the exchange early
    bool capped = false;         // the body reached the size limit; the rest was left unread
    // The address the last redirect followed pointed to; empty when the
    // first answer was the last.
    std::string redirectedTo;
};

// One GET exchange, done synchronously on the calling thread: no cache in
// either direction, through the request's proxy or none, back within the request's time limit and
// holding no more of the body than its size limit.
// May throw for an unexpected failure.
class HttpTransport {
public:
    HttpTransport() = default;
    virtual ~HttpTransport() = default;
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    virtual HttpTransfer Get(const HttpGetRequest& request) = 0;
};

}  // namespace plover
