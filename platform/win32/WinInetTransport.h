#pragma once

#include "platform/HttpTransport.h"

namespace plover {

// GET through WinInet: direct connection, cache bypassed both ways, the
// body read in 4096-byte pieces, the whole exchange (redirects included)
// ended at the request's time limit. Redirects are followed here, at most
// MaxRedirects of them, since WinInet itself would follow a loop forever.
class WinInetTransport : public HttpTransport {
public:
    HttpTransfer Get(const HttpGetRequest& request) override;

    static constexpr int MaxRedirects = 10;
};

}  // namespace plover
