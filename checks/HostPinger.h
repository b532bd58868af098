#pragma once

#include <string>

namespace plover {

// The window's one echo check, as the checks and stages call it.
class HostPinger {
public:
    virtual ~HostPinger() = default;
    // True when an echo reply came back in one of up to two attempts.
    virtual bool PingHost(const std::string& host) = 0;
};

}  // namespace plover
