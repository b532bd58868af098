#pragma once

#include <string>

namespace plover {

// The window's page fetch, as the name resolution check calls it.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    // The page body as text, "any error" or "Host Unreacheable" for a failed
    // fetch, or an empty text when the fetch yielded no text at all (an empty
    // body, or a fetch that could not start); every outcome but a body is a
    // failure.
    virtual std::string FetchPage(const std::string& url) = 0;
};

}  // namespace plover
