#pragma once

#include <cstdint>

#include "platform/HttpTransport.h"

namespace plover {

// GET through WinInet: direct or through the request's proxy, cache bypassed both ways, the
// body read in 4096-byte pieces up to the request's size limit, the whole
// exchange (redirects included) ended at the request's time limit, and back
// to the caller by then even where a WinInet call would not return. Redirects
// are followed here, at most MaxRedirects of them, since WinInet itself would
// follow a loop forever.
class WinInetTransport : public HttpTransport {
public:
    HttpTransfer Get(const HttpGetRequest& request) override;

    static constexpr int MaxRedirects = 10;
    // How long past the time limit a fetch is waited for before it is given
    // up as one that will not return (its call stuck inside WinInet).
    static constexpr uint32_t LateReturnGrace = 3000;
};

}  // namespace plover
