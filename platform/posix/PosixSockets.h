#pragma once

#include "platform/Sockets.h"

namespace plover {

// BSD sockets of the build machine, used by the native tests against loopback
// and lab peers.
class PosixSockets : public Sockets {
public:
    std::unique_ptr<Socket> OpenRawIcmp(int& error) override;
    std::unique_ptr<Socket> OpenUdp(int& error) override;
    TcpAnswer ConnectTcp(const Ipv4Address& address, uint16_t port, uint32_t timeLimitMilliseconds,
                         const StopSignal* stop) override;
    std::optional<Ipv4Address> LookupHost(const std::string& name, int& error) override;
    std::string ErrorText(int code) override;
    uint32_t CurrentProcessId() override;
};

}  // namespace plover
