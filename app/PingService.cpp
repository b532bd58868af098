#include "app/PingService.h"

#include "system/Log.h"

namespace plover {

PingService::PingService(const Platform& os) : IdIcmpClient(os.sockets, os.clock), os_(os) {
    IdIcmpClient.ReceiveTimeout = WindowReceiveTimeout;
    IdIcmpClient.OnReply = [this](TIdIcmpClient& sender, const TReplyStatus& status) {
        IdIcmpClientReply(sender, status);
    };
}

void PingService::IdIcmpClientReply(TIdIcmpClient&, const TReplyStatus&) { PingReplied = true; }

void PingService::Attempt(const std::string& host) {
    PingReplied = false;
    try {
        IdIcmpClient.PingOnce();
    } catch (...) {
        WriteLog(os_, "ping host: " + host, "catch");
        return;
    }
    // The echo client fires its reply event before it returns; should it ever
    // not, the wait still ends after one receive time-out.
    for (int looks = 0; !PingReplied && looks < IdIcmpClient.ReceiveTimeout / 10; ++looks) {
        os_.clock.Sleep(ReplyPollPause);
    }
}

bool PingService::PingHost(const std::string& host) {
    IdIcmpClient.LastReply.Status = ReplyStatusKind::StatusUnreachable;
    IdIcmpClient.Host = host;
    const auto kind = [this] {
        return std::to_string(static_cast<int>(IdIcmpClient.LastReply.Status));
    };

    Attempt(host);
    WriteLog(os_, "ping host: " + host, "ping rezult:" + kind());
    if (IdIcmpClient.LastReply.Status == ReplyStatusKind::StatusEcho) return true;

    os_.clock.Sleep(RetryPause);
    Attempt(host);
    WriteLog(os_, "ping host: " + host, "ping rezult: " + kind());
    return IdIcmpClient.LastReply.Status == ReplyStatusKind::StatusEcho;
}

}  // namespace plover
