#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HttpTransport.h"

namespace plover::standin {

// Scripted web pages by address, each reached directly or through one named
// proxy. An address without a script is a host that does not answer (no
// HTTP status). Runs on the fetch's worker thread.
class FakeHttpTransport : public HttpTransport {
public:
    HttpTransfer Get(const HttpGetRequest& request) override;

    // A complete 200 answer with this body, announced with its length.
    void SetPage(const std::string& url, const std::string& body, const std::string& proxy = "");
    void SetAnswer(const std::string& url, HttpTransfer answer, const std::string& proxy = "");
    // The transfer raises instead of answering.
    void Fail(const std::string& url);
    // Runs inside the transfer (e.g. to hold it until a test lets it go).
    void OnTransfer(std::function<void(const HttpGetRequest&)> hook);

    std::vector<HttpGetRequest> Requests() const;

private:
    static std::string Key(const std::string& url, const std::string& proxy) {
        return proxy.empty() ? url : proxy + " " + url;
    }

    mutable std::mutex mutex_;
    std::map<std::string, HttpTransfer> answers_;
    std::map<std::string, bool> failing_;
    std::function<void(const HttpGetRequest&)> hook_;
    std::vector<HttpGetRequest> requests_;
};

}  // namespace plover::standin
