#pragma once

#include <string>

#include "checks/HostPinger.h"
#include "platform/Platform.h"
#include "protocols/IcmpClient.h"

namespace plover {

// The window's echo client with its reply flag and the two-attempt echo
// check. The window owns one, forwards PingHost to it and clears PingReplied
// at the start of every run.
class PingService : public HostPinger {
public:
    explicit PingService(const Platform& os);
    PingService(const PingService&) = delete;
    PingService& operator=(const PingService&) = delete;

    bool PingHost(const std::string& host) override;

    // The echo client's reply event.
    void IdIcmpClientReply(TIdIcmpClient& sender, const TReplyStatus& status);

    TIdIcmpClient IdIcmpClient;
    bool PingReplied = false;

    static constexpr int WindowReceiveTimeout = 8000;
    static constexpr uint32_t RetryPause = 2000;
    static constexpr uint32_t ReplyPollPause = 10;

private:
    // One echo operation and the wait for its reply event.
    void Attempt(const std::string& host);

    const Platform& os_;
};

}  // namespace plover
