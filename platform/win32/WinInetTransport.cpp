#include "platform/win32/WinInetTransport.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace plover {

namespace {

using win32::UniqueInternetHandle;

constexpr DWORD TransferBufferSize = 4096;

// Ends a transfer at its time limit, or at once when the caller asks it to
// stop. WinInet's own time-outs, kept to what is left of the limit, bound
// each wait for the network, and the body is read as it arrives so the limit
// is looked at between bytes. Windows does not always keep to its connect
// time-out, so once the limit has passed (or the stop is asked) the request
// in hand is also closed from this watch's thread, which there makes a call
// blocked on it return (Wine 8 lets such a call run on to its time-out).
class TransferDeadline {
public:
    TransferDeadline(DWORD limitMilliseconds, std::function<bool()> stopRequested)
        : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMilliseconds)),
          stopRequested_(std::move(stopRequested)),
          thread_([this] { Watch(); }) {}
    ~TransferDeadline() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            over_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    TransferDeadline(const TransferDeadline&) = delete;
    TransferDeadline& operator=(const TransferDeadline&) = delete;

    // Puts the request under watch; false when the time is up already.
    bool Hold(HINTERNET request) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (passed_) return false;
        held_ = request;
        return true;
    }
    // Takes the request back; false when the watch has closed it.
    bool Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool stillOpen = held_ != nullptr;
        held_ = nullptr;
        return stillOpen;
    }
    bool Passed() {
        std::lock_guard<std::mutex> lock(mutex_);
        return passed_ || std::chrono::steady_clock::now() >= end_;
    }
    // What is left of the limit, at least a millisecond: WinInet reads a
    // time-out of 0 as none at all.
    DWORD Remaining() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end_ - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<DWORD>(left.count()) : 1;
    }

private:
    static constexpr std::chrono::milliseconds StopLookInterval{50};

    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= end_ || (stopRequested_ && stopRequested_())) break;
            const auto slice = std::min<std::chrono::steady_clock::duration>(
                end_ - now, stopRequested_ ? StopLookInterval : end_ - now);
            if (wake_.wait_for(lock, slice, [this] { return over_; })) return;
        }
        passed_ = true;
        if (held_ != nullptr) ::InternetCloseHandle(held_);
        held_ = nullptr;
    }

    const std::chrono::steady_clock::time_point end_;
    const std::function<bool()> stopRequested_;
    std::mutex mutex_;
    std::condition_variable wake_;
    HINTERNET held_ = nullptr;
    bool passed_ = false;
    bool over_ = false;
    std::thread thread_;  // last: it starts once the fields above exist
};

// A request handle that the deadline may close: whoever closes it, it is
// closed once.
class WatchedRequest {
public:
    WatchedRequest(TransferDeadline& deadline, HINTERNET request)
        : deadline_(deadline), handle_(request), watched_(request && deadline.Hold(request)) {}
    ~WatchedRequest() {
        if (watched_ && !deadline_.Release()) handle_.release();
    }
    WatchedRequest(const WatchedRequest&) = delete;
    WatchedRequest& operator=(const WatchedRequest&) = delete;

    // Null also when the time was up before the request was opened.
    HINTERNET get() const { return watched_ ? handle_.get() : nullptr; }

private:
    TransferDeadline& deadline_;
    UniqueInternetHandle handle_;
    bool watched_;
};

// WinInet's own time-outs, as long as what is left of the limit. Each
// handle takes them from its own options, so every handle is given them.
void SetTimeLimits(HINTERNET handle, DWORD milliseconds) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        ::InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
    }
}

void SetReceiveLimit(HINTERNET request, DWORD milliseconds) {
    ::InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &milliseconds,
                         sizeof milliseconds);
}
constexpr DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE |
                               INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;

// The parts of an address as InternetCrackUrlA gives them, escaped.
struct CrackedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string user;
    std::string password;
    std::string objectName;  // path and extra information
};

bool Crack(const std::string& url, CrackedUrl& parts) {
    char scheme[33] = {};
    char host[257] = {};
    char user[129] = {};
    char password[129] = {};
    char path[2049] = {};
    char extra[2049] = {};
    URL_COMPONENTSA components{};
    components.dwStructSize = sizeof components;
    components.lpszScheme = scheme;
    components.dwSchemeLength = sizeof scheme;
    components.lpszHostName = host;
    components.dwHostNameLength = sizeof host;
    components.lpszUserName = user;
    components.dwUserNameLength = sizeof user;
    components.lpszPassword = password;
    components.dwPasswordLength = sizeof password;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = sizeof path;
    components.lpszExtraInfo = extra;
    components.dwExtraInfoLength = sizeof extra;
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), ICU_ESCAPE,
                             &components)) {
        return false;
    }
    parts.scheme = components.nScheme;
    parts.host = host;
    parts.port = components.nPort;
    parts.user = user;
    parts.password = password;
    parts.objectName = std::string(path) + extra;
    if (parts.objectName.empty()) parts.objectName = "/";
    return true;
}

bool QueryNumber(HINTERNET request, DWORD info, DWORD& value) {
    DWORD size = sizeof value;
    return ::HttpQueryInfoA(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != 0;
}

std::string QueryText(HINTERNET request, DWORD info) {
    std::vector<char> buffer(2048);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!::HttpQueryInfoA(request, info, buffer.data(), &size, nullptr)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        buffer.resize(size + 1);
        size = static_cast<DWORD>(buffer.size());
        if (!::HttpQueryInfoA(request, info, buffer.data(), &size, nullptr)) return {};
    }
    return std::string(buffer.data(), size);
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string Combine(const std::string& base, const std::string& relative) {
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!::InternetCombineUrlA(base.c_str(), relative.c_str(), buffer.data(), &size, 0)) {
        return {};
    }
    return std::string(buffer.data(), size);
}

void OfferToGoOnline(const std::string& url) {
    DWORD state = 0;
    DWORD size = sizeof state;
    if (::InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size) &&
        (state & INTERNET_STATE_DISCONNECTED_BY_USER) != 0) {
        ::InternetGoOnline(const_cast<char*>(url.c_str()), ::GetDesktopWindow(), 0);
    }
}

// One request/answer exchange. Returns false when no HTTP status came.
bool Exchange(HINTERNET root, TransferDeadline& deadline, const HttpGetRequest& request,
              const std::string& url, HttpTransfer& transfer, std::string& location) {
    CrackedUrl parts;
    if (!Crack(url, parts)) return false;
    UniqueInternetHandle connection(::InternetConnectA(
        root, parts.host.c_str(), parts.port, parts.user.empty() ? nullptr : parts.user.c_str(),
        parts.password.empty() ? nullptr : parts.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    SetTimeLimits(connection.get(), deadline.Remaining());

    const char* acceptTypes[] = {"text/html, */*", nullptr};
    DWORD flags = RequestFlags;
    if (parts.scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    WatchedRequest http(
        deadline, ::HttpOpenRequestA(connection.get(), "GET", parts.objectName.c_str(), nullptr,
                                     nullptr, acceptTypes, flags, 0));
    if (!http.get()) return false;
    SetTimeLimits(http.get(), deadline.Remaining());
    if (request.showGoOnlineMessage) OfferToGoOnline(url);
    if (!::HttpSendRequestA(http.get(), nullptr, 0, nullptr, 0)) return false;

    DWORD status = 0;
    if (!QueryNumber(http.get(), HTTP_QUERY_STATUS_CODE, status)) return false;
    transfer = HttpTransfer();
    transfer.status = static_cast<int>(status);
    transfer.contentType = QueryText(http.get(), HTTP_QUERY_CONTENT_TYPE);
    DWORD length = 0;
    transfer.contentLength =
        QueryNumber(http.get(), HTTP_QUERY_CONTENT_LENGTH, length) ? length : 0;
    location = IsRedirect(transfer.status) ? QueryText(http.get(), HTTP_QUERY_LOCATION) : "";
    if (!location.empty()) return true;

    // The announced length is the server's word only: room for more than
    // the limit is never made on it.
    if (transfer.contentLength > 0) {
        transfer.body.reserve(
            static_cast<size_t>(std::min<uint64_t>(transfer.contentLength, request.bodySizeLimit)));
    }
    char chunk[TransferBufferSize];
    for (;;) {
        if (transfer.body.size() >= request.bodySizeLimit) {
            transfer.capped = true;
            break;
        }
        if (request.stopRequested && request.stopRequested()) {
            transfer.interrupted = true;
            break;
        }
        if (deadline.Passed()) break;
        // Only what has arrived is read, so that a body coming a byte at a
        // time still passes here between bytes.
        SetReceiveLimit(http.get(), deadline.Remaining());
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(http.get(), &available, 0, 0) || available == 0) break;
        DWORD read = 0;
        const uint64_t room = request.bodySizeLimit - transfer.body.size();
        const DWORD wanted =
            static_cast<DWORD>(std::min<uint64_t>(std::min<DWORD>(available, sizeof chunk), room));
        if (!::InternetReadFile(http.get(), chunk, wanted, &read) || read == 0) {
            break;
        }
        transfer.body.append(chunk, read);
    }
    transfer.timedOut = !transfer.capped && deadline.Passed();
    return true;
}

// The whole GET on the calling thread, redirects included.
HttpTransfer Fetch(const HttpGetRequest& request) {
    HttpTransfer transfer;
    // Through a proxy nothing is passed by: the bypass list is empty.
    UniqueInternetHandle root(
        request.proxy.empty()
            ? ::InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
            : ::InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_PROXY,
                              request.proxy.c_str(), "", 0));
    if (!root) return transfer;
    SetTimeLimits(root.get(), request.timeLimitMilliseconds);
    TransferDeadline deadline(request.timeLimitMilliseconds, request.stopRequested);

    std::string url = request.url;
    std::string redirectedTo;
    for (int redirects = 0;; ++redirects) {
        std::string location;
        if (!Exchange(root.get(), deadline, request, url, transfer, location)) {
            HttpTransfer none;
            none.timedOut = deadline.Passed();
            none.redirectedTo = redirectedTo;
            return none;
        }
        transfer.redirectedTo = redirectedTo;
        if (location.empty() || redirects == WinInetTransport::MaxRedirects || deadline.Passed())
            return transfer;
        const std::string next = Combine(url, location);
        if (next.empty()) return transfer;
        url = next;
        redirectedTo = next;
    }
}

// One fetch on a thread of its own, which owns everything it touches, so
// that the caller can stop waiting for it. Wine 8 lets a WinInet call that
// is blocked on a server sending its header a byte at a time run on after
// its handle is closed, for as long as the server keeps sending: such a
// fetch is left to end by itself and its outcome dropped.
class DetachedFetch {
public:
    explicit DetachedFetch(HttpGetRequest request) : request_(std::move(request)) {
        // The caller's own stop question belongs to the caller's thread.
        request_.stopRequested = [this] { return stop_.load(); };
    }

    static void Start(const std::shared_ptr<DetachedFetch>& fetch) {
        std::thread([fetch] { fetch->Run(); }).detach();
    }

    // The outcome, or nothing when it did not come in time. A stop asked
    // meanwhile ends the wait at once with an interrupted transfer; the
    // fetch, told to stop too, ends by itself.
    std::optional<HttpTransfer> Await(std::chrono::steady_clock::time_point end,
                                      const std::function<bool()>& stopRequested) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_ && std::chrono::steady_clock::now() < end) {
            wake_.wait_for(lock, StopPollInterval, [this] { return done_; });
            if (!done_ && stopRequested && stopRequested()) {
                stop_ = true;
                HttpTransfer stopped;
                stopped.interrupted = true;
                return stopped;
            }
        }
        if (!done_) return std::nullopt;
        if (failed_) throw std::runtime_error("page fetch failed");
        return std::move(transfer_);
    }

private:
    static constexpr std::chrono::milliseconds StopPollInterval{50};

    void Run() noexcept {
        HttpTransfer transfer;
        bool failed = false;
        try {
            transfer = Fetch(request_);
        } catch (...) {
            failed = true;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        transfer_ = std::move(transfer);
        failed_ = failed;
        done_ = true;
        wake_.notify_all();
    }

    HttpGetRequest request_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    HttpTransfer transfer_;
    bool failed_ = false;
    bool done_ = false;
};

}  // namespace

HttpTransfer WinInetTransport::Get(const HttpGetRequest& request) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(request.timeLimitMilliseconds) +
                     std::chrono::milliseconds(LateReturnGrace);
    auto fetch = std::make_shared<DetachedFetch>(request);
    DetachedFetch::Start(fetch);
    if (auto transfer = fetch->Await(end, request.stopRequested)) return std::move(*transfer);
    HttpTransfer late;
    late.timedOut = true;
    return late;
}

}  // namespace plover
