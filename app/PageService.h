#pragma once

#include <cstdint>
#include <string>

#include "checks/PageFetcher.h"
#include "platform/Clock.h"
#include "platform/HttpTransport.h"
#include "platform/Synchronizer.h"
#include "protocols/HttpComponent.h"

namespace plover {

// The window's page component with its handlers and the PageText field they
// fill. The window owns one and lends it to the name resolution check.
class PageService : public PageFetcher {
public:
    PageService(HttpTransport& transport, Synchronizer& windowThread, Clock& clock);
    PageService(const PageService&) = delete;
    PageService& operator=(const PageService&) = delete;

    // Clears PageText, fetches url (through proxy, when one is named) and
    // waits for the outcome in PageText.
    FetchedPage Fetch(const std::string& url, const std::string& proxy) override;

    void httpcomDone(TWinHTTP& sender, const std::string& contentType, const std::string& stream,
                     uint64_t fileSize);
    void httpcomAnyError(TWinHTTP& sender);
    void httpcomHTTPError(TWinHTTP& sender, int errorCode, const std::string& stream);
    void httpcomHostUnreachable(TWinHTTP& sender);

    TWinHTTP httpcom;
    std::string PageText;  // written on the window's thread only

    static constexpr const char* AgentName = "BrackenfieldReporting";
    static constexpr uint32_t PollPause = 10;
    // The events have been delivered when Read returns; polls after that only
    // cover a fetch that could not start or yielded no text.
    static constexpr int MaxPolls = 100;

private:
    Clock& clock_;
    bool loaded_ = false;  // the last fetch delivered a body; window's thread only
};

}  // namespace plover
