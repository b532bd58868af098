#include "app/PageService.h"

namespace plover {

PageService::PageService(HttpTransport& transport, Synchronizer& windowThread, Clock& clock)
    : httpcom(transport, windowThread), clock_(clock) {
    httpcom.Agent = AgentName;
    httpcom.OnDone = [this](TWinHTTP& sender, const std::string& contentType,
                            const std::string& stream, uint64_t fileSize) {
        httpcomDone(sender, contentType, stream, fileSize);
    };
    httpcom.OnAnyError = [this](TWinHTTP& sender) { httpcomAnyError(sender); };
    httpcom.OnHTTPError = [this](TWinHTTP& sender, int errorCode, const std::string& stream) {
        httpcomHTTPError(sender, errorCode, stream);
    };
    httpcom.OnHostUnreachable = [this](TWinHTTP& sender) { httpcomHostUnreachable(sender); };
    // A run asked to stop waits for no page: the fetch ends as interrupted,
    // which leaves PageText empty and the check failing.
    httpcom.StopRequested = [this] { return StopRequested(clock_); };
}

void PageService::httpcomDone(TWinHTTP&, const std::string&, const std::string& stream, uint64_t) {
    PageText.clear();
    // The page is taken as a C string: it ends at its first NUL byte.
    PageText = stream.substr(0, stream.find('\0'));
    loaded_ = true;
}

void PageService::httpcomAnyError(TWinHTTP&) { PageText = "any error"; }

void PageService::httpcomHTTPError(TWinHTTP&, int, const std::string&) {
    // The OnAnyError that follows marks the failure.
}

void PageService::httpcomHostUnreachable(TWinHTTP&) { PageText = "Host Unreacheable"; }

FetchedPage PageService::Fetch(const std::string& url, const std::string& proxy) {
    PageText.clear();
    loaded_ = false;
    httpcom.URL = url;
    httpcom.ProxyServer = proxy;
    try {
        httpcom.Read(true);
    } catch (...) {
        // A fetch that cannot start leaves PageText empty.
    }
    for (int polls = 0; PageText.empty() && polls < MaxPolls; ++polls) clock_.Sleep(PollPause);
    return {PageText, loaded_, httpcom.RedirectedTo};
}

}  // namespace plover
