#pragma once

#include "checks/HostPinger.h"
#include "platform/Platform.h"

namespace plover {

// The primary ISP probe: a root name server, a public host that answers
// echo requests and is unlikely ever to change its address.
constexpr const char* IspProbeAddress = "198.41.0.4";
// The second probe, pinged whatever the first one answered.
constexpr const char* SecondIspProbeAddress = "4.2.2.2";

// Whether the machine reaches hosts beyond its own network.
class TISPSettings {
public:
    TISPSettings(const Platform& os, HostPinger& pinger) : os_(os), pinger_(pinger) {}
    TISPSettings(const TISPSettings&) = delete;
    TISPSettings& operator=(const TISPSettings&) = delete;

    // True when at least one of the two probe addresses answered.
    bool CheckIsp();
    // True when one of the two probe addresses (both are DNS servers)
    // accepts a TCP connection on port 53: the way out works even where
    // echo requests are dropped. A refusal does not count, since a filter
    // on the way can send one in the server's name.
    bool IspAnswersTcp();

private:
    const Platform& os_;
    HostPinger& pinger_;
};

}  // namespace plover
