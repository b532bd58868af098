#pragma once

#include <string>

namespace plover {

// What one page fetch brought.
struct FetchedPage {
    // The page body as text, "any error" or "Host Unreacheable" for a failed
    // fetch, or an empty text when the fetch yielded no text at all (an empty
    // body, or a fetch that could not start).
    std::string text;
    bool loaded = false;  // text is the body of a page that arrived
    // The address the fetch's last redirect pointed to; empty: none met.
    std::string redirectedTo;
};

// The window's page fetch, as the name resolution check calls it.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    // Fetches url directly, or through proxy when one is named ("host:port"
    // as the browser settings hold it).
    virtual FetchedPage Fetch(const std::string& url, const std::string& proxy) = 0;
    // The text of a direct fetch; every outcome but a body is a failure.
    std::string FetchPage(const std::string& url) { return Fetch(url, "").text; }
};

}  // namespace plover
