#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Sockets.h"

namespace plover::standin {

class FakeClock;

// Scripted peers for the echo and DNS clients. Echo requests are answered
// per target address, DNS queries per server address and port; whatever is
// not scripted stays silent, and a wait for it moves the virtual clock on by
// its whole time-out. Nothing here touches a real network.
class FakeSockets : public Sockets {
public:
    // What one echo request brings back.
    struct EchoAnswer {
        enum class Kind { Reply, Silence, Unreachable, TtlExpired, SendFails, Datagram };
        Kind kind = Kind::Reply;
        std::string datagram;  // Datagram: the bytes read back, IP header first
        int error = 0;         // SendFails: the error code of the send
        // Read before the answer: datagrams of other exchanges.
        std::vector<std::string> strays;

        static EchoAnswer Reply() { return {Kind::Reply, {}, 0, {}}; }
        static EchoAnswer Silence() { return {Kind::Silence, {}, 0, {}}; }
        static EchoAnswer Unreachable() { return {Kind::Unreachable, {}, 0, {}}; }
        static EchoAnswer TtlExpired() { return {Kind::TtlExpired, {}, 0, {}}; }
        static EchoAnswer SendFails(int code) { return {Kind::SendFails, {}, code, {}}; }
        static EchoAnswer Datagram(std::string bytes) {
            return {Kind::Datagram, std::move(bytes), 0, {}};
        }
        EchoAnswer After(std::vector<std::string> others) const {
            EchoAnswer answer = *this;
            answer.strays = std::move(others);
            return answer;
        }
    };

    // The reply datagram for a query, or nothing for silence.
    using DnsServerScript = std::function<std::optional<std::string>(const std::string& query)>;

    struct SentDatagram {
        bool icmp = false;
        std::string address;
        uint16_t port = 0;
        std::string bytes;
    };

    explicit FakeSockets(FakeClock& clock) : clock_(clock) {}

    // Answers for the echo requests to address, one per request; the last
    // one answers every request after it.
    void ScriptEcho(const std::string& address, std::vector<EchoAnswer> answers);
    void AnswerEcho(const std::string& address) { ScriptEcho(address, {EchoAnswer::Reply()}); }
    void ScriptDnsServer(const std::string& address, uint16_t port, DnsServerScript script);
    // A DNS server on port 53 that answers an A record for each name of its
    // zone (name -> dotted address, read at each query) and "no such name"
    // for the rest.
    void ServeDnsZone(const std::string& address, const std::map<std::string, std::string>& zone);
    // The host-name lookup knows this name; unknown names fail.
    void SetHostAddress(const std::string& name, const std::string& address);
    // Socket creation fails with this error code (0: it works again).
    void FailSocketCreation(int error);
    // How a TCP connection attempt to address and port is answered. An
    // attempt nobody scripted gets no answer: it takes its whole time limit.
    void ScriptTcp(const std::string& address, uint16_t port, TcpAnswer answer);
    // Runs as a wait begins that nothing will end early (an echo or a DNS
    // reply that stays away, a TCP connect that gets no answer); a test asks
    // the stop there to cut that very wait.
    void OnSilentWait(std::function<void()> hook);
    // The TCP connection attempts, as "address:port", in order.
    std::vector<std::string> TcpAttempts() const;
    // The silent waits a stop request cut short (they took no time).
    int CutWaits() const;

    std::vector<SentDatagram> Sent() const;
    int EchoRequestsTo(const std::string& address) const;

    std::unique_ptr<Socket> OpenRawIcmp(int& error) override;
    std::unique_ptr<Socket> OpenUdp(int& error) override;
    TcpAnswer ConnectTcp(const Ipv4Address& address, uint16_t port, uint32_t timeLimitMilliseconds,
                         const StopSignal* stop) override;
    std::optional<Ipv4Address> LookupHost(const std::string& name, int& error) override;
    std::string ErrorText(int code) override;
    uint32_t CurrentProcessId() override { return 0x12345678; }

    static constexpr int LookupFailedError = 11001;

private:
    class FakeSocket;
    friend class FakeSocket;

    std::unique_ptr<Socket> Open(bool icmp, int& error);
    // A wait that nothing answers: the whole time passes, unless the stop is
    // asked by the time it begins. False when it was cut.
    bool SilentWait(uint32_t timeoutMilliseconds, const StopSignal* stop);
    // Records a datagram and returns what comes back (first: an error code).
    std::pair<int, std::vector<std::string>> Exchange(bool icmp, const Ipv4Address& address,
                                                      uint16_t port, const std::string& bytes);

    FakeClock& clock_;
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<EchoAnswer>> echoScripts_;
    std::map<std::string, int> echoRequests_;
    std::map<std::pair<std::string, uint16_t>, DnsServerScript> dnsServers_;
    std::map<std::string, std::string> hostAddresses_;
    int failCreation_ = 0;
    std::vector<SentDatagram> sent_;
    std::map<std::string, TcpAnswer> tcpScripts_;  // by "address:port"
    std::vector<std::string> tcpAttempts_;
    std::function<void()> onSilentWait_;
    int cutWaits_ = 0;
};

}  // namespace plover::standin
