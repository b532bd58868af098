#pragma once

#include "platform/Platform.h"

namespace plover {

// The current user's browser proxy switch: only "ProxyEnable" is read or
// changed; the server, bypass list and configuration script stay as they are.
class TBrowserSettings {
public:
    explicit TBrowserSettings(const Platform& os) : os_(os) {}
    TBrowserSettings(const TBrowserSettings&) = delete;
    TBrowserSettings& operator=(const TBrowserSettings&) = delete;

    // True only when the key opens and "ProxyEnable" reads as the integer 0.
    bool IsProxyDisabled();
    // Writes "ProxyEnable" := 0 when the key opens; the key is never created.
    void DisableProxy();

private:
    const Platform& os_;
};

}  // namespace plover
