#pragma once

#include <string>

#include "platform/Platform.h"
#include "system/MachineChanges.h"

namespace plover {

// The proxy server the user's browser goes through, as the settings name it
// ("host:port", or a list per scheme); empty when the switch is not on or
// no server is named. Read without the checks' pause.
std::string EnabledProxyServer(const Platform& os);

// The current user's browser proxy switch: only "ProxyEnable" is read or
// changed; the server, bypass list and configuration script stay as they are.
class TBrowserSettings {
public:
    explicit TBrowserSettings(const Platform& os) : os_(os) {}
    TBrowserSettings(const TBrowserSettings&) = delete;
    TBrowserSettings& operator=(const TBrowserSettings&) = delete;

    // True only when the key opens and "ProxyEnable" reads as the integer 0.
    bool IsProxyDisabled();
    // Writes "ProxyEnable" := 0 when the key opens, through the journal; the
    // key is never created. The change, or NoChange when nothing changed.
    ChangeId DisableProxy(MachineChanges& changes);

private:
    const Platform& os_;
};

}  // namespace plover
