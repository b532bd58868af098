#include "tests/standin/FakeHttpTransport.h"

#include <stdexcept>

namespace plover::standin {

HttpTransfer FakeHttpTransport::Get(const HttpGetRequest& request) {
    std::function<void(const HttpGetRequest&)> hook;
    HttpTransfer answer;
    bool fails = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        hook = hook_;
        const auto it = answers_.find(Key(request.url, request.proxy));
        if (it != answers_.end()) answer = it->second;
        fails = failing_.count(request.url) > 0;
    }
    if (hook) hook(request);
    if (fails) throw std::runtime_error("scripted transfer failure");
    if (request.stopRequested && request.stopRequested()) answer.interrupted = true;
    return answer;
}

void FakeHttpTransport::SetPage(const std::string& url, const std::string& body,
                                const std::string& proxy) {
    HttpTransfer answer;
    answer.status = 200;
    answer.contentType = "text/html";
    answer.contentLength = body.size();
    answer.body = body;
    SetAnswer(url, answer, proxy);
}

void FakeHttpTransport::SetAnswer(const std::string& url, HttpTransfer answer,
                                  const std::string& proxy) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[Key(url, proxy)] = std::move(answer);
}

void FakeHttpTransport::Fail(const std::string& url) {
    std::lock_guard<std::mutex> lock(mutex_);
    failing_[url] = true;
}

void FakeHttpTransport::OnTransfer(std::function<void(const HttpGetRequest&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<HttpGetRequest> FakeHttpTransport::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

}  // namespace plover::standin
