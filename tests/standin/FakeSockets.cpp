#include "tests/standin/FakeSockets.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "protocols/IcmpEcho.h"
#include "protocols/Ipv4Text.h"
#include "tests/standin/FakeClock.h"

namespace plover::standin {

namespace {

std::string IpHeader(const Ipv4Address& source, size_t payloadSize,
                     const Ipv4Address& destination = {127, 0, 0, 1}) {
    std::string header(20, '\0');
    header[0] = 0x45;
    const size_t total = 20 + payloadSize;
    header[2] = static_cast<char>(total >> 8);
    header[3] = static_cast<char>(total);
    header[8] = 64;  // time to live
    header[9] = 1;   // ICMP
    for (int i = 0; i < 4; ++i) header[12 + i] = static_cast<char>(source[i]);
    for (int i = 0; i < 4; ++i) header[16 + i] = static_cast<char>(destination[i]);
    return header;
}

void StoreChecksum(std::string& icmp) {
    icmp[2] = icmp[3] = 0;
    const uint16_t sum =
        InternetChecksum(reinterpret_cast<const uint8_t*>(icmp.data()), icmp.size());
    std::memcpy(&icmp[2], &sum, 2);
}

// An echo reply, or an error message (RFC 792) quoting the request.
std::string EchoAnswerDatagram(uint8_t type, uint8_t code, const Ipv4Address& from,
                               const std::string& request) {
    std::string icmp;
    if (type == 0) {
        icmp = request;
    } else {
        icmp.assign(8, '\0');
        icmp += IpHeader({127, 0, 0, 1}, request.size(), from) + request.substr(0, 8);
    }
    icmp[0] = static_cast<char>(type);
    icmp[1] = static_cast<char>(code);
    StoreChecksum(icmp);
    return IpHeader(from, icmp.size()) + icmp;
}

}  // namespace

class FakeSockets::FakeSocket : public Socket {
public:
    FakeSocket(FakeSockets& owner, bool icmp) : owner_(owner), icmp_(icmp) {}

    int SetTimeToLive(int) override { return 0; }

    int Connect(const Ipv4Address& address, uint16_t port) override {
        connected_ = {address, port};
        return 0;
    }

    SocketResult SendTo(const uint8_t* data, size_t size, const Ipv4Address& address,
                        uint16_t port) override {
        auto [error, answers] = owner_.Exchange(
            icmp_, address, port, std::string(reinterpret_cast<const char*>(data), size));
        if (error != 0) return {0, error};
        for (auto& answer : answers) incoming_.push_back(std::move(answer));
        return {size, 0};
    }

    SocketResult Send(const uint8_t* data, size_t size) override {
        if (!connected_) return {0, 10057};  // not connected
        return SendTo(data, size, connected_->first, connected_->second);
    }

    WaitResult WaitReadable(uint32_t timeoutMilliseconds, const StopSignal* stop) override {
        if (!incoming_.empty()) return {true, 0};
        owner_.SilentWait(timeoutMilliseconds, stop);
        return {false, 0};
    }

    SocketResult Receive(uint8_t* buffer, size_t capacity) override {
        if (incoming_.empty()) return {0, 10035};  // would block
        std::string datagram = std::move(incoming_.front());
        incoming_.pop_front();
        if (datagram.size() > capacity) return {capacity, 10040};  // message too long
        std::copy(datagram.begin(), datagram.end(), buffer);
        return {datagram.size(), 0};
    }

    void Shutdown() override {}

private:
    FakeSockets& owner_;
    bool icmp_;
    std::optional<std::pair<Ipv4Address, uint16_t>> connected_;
    std::deque<std::string> incoming_;
};

void FakeSockets::ScriptEcho(const std::string& address, std::vector<EchoAnswer> answers) {
    std::lock_guard<std::mutex> lock(mutex_);
    echoScripts_[address] = std::move(answers);
}

void FakeSockets::ScriptDnsServer(const std::string& address, uint16_t port,
                                  DnsServerScript script) {
    std::lock_guard<std::mutex> lock(mutex_);
    dnsServers_[{address, port}] = std::move(script);
}

void FakeSockets::ServeDnsZone(const std::string& address,
                               const std::map<std::string, std::string>& zone) {
    ScriptDnsServer(address, 53, [&zone](const std::string& query) -> std::optional<std::string> {
        // The question's name, label by label (RFC 1035 section 4.1.2).
        std::string name;
        size_t at = 12;
        for (; at < query.size() && query[at] != 0; at += 1 + static_cast<uint8_t>(query[at])) {
            name +=
                (name.empty() ? "" : ".") + query.substr(at + 1, static_cast<uint8_t>(query[at]));
        }
        const auto known = zone.find(name);
        const auto address = known == zone.end() ? std::nullopt : ParseDottedIpv4(known->second);
        // A response to a recursive query with the question (RFC 1035 section
        // 4.1.1): one address record that points back at it, or a name error.
        std::string reply = query.substr(0, std::min(query.size(), at + 5));
        if (reply.size() < 12) return std::nullopt;
        reply.replace(2, 10,
                      address ? std::string("\x81\x80\0\x01\0\x01\0\0\0\0", 10)
                              : std::string("\x81\x83\0\x01\0\0\0\0\0\0", 10));
        if (!address) return reply;
        reply += std::string("\xc0\x0c\0\x01\0\x01\0\0\x0e\x10\0\x04", 12);
        for (uint8_t byte : *address) reply += static_cast<char>(byte);
        return reply;
    });
}

void FakeSockets::SetHostAddress(const std::string& name, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    hostAddresses_[name] = address;
}

void FakeSockets::FailSocketCreation(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    failCreation_ = error;
}

void FakeSockets::ScriptTcp(const std::string& address, uint16_t port, TcpAnswer answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    tcpScripts_[address + ":" + std::to_string(port)] = answer;
}

void FakeSockets::OnSilentWait(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    onSilentWait_ = std::move(hook);
}

std::vector<std::string> FakeSockets::TcpAttempts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return tcpAttempts_;
}

int FakeSockets::CutWaits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cutWaits_;
}

bool FakeSockets::SilentWait(uint32_t timeoutMilliseconds, const StopSignal* stop) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = onSilentWait_;
    }
    // The hook runs unlocked: it may stop a run that waits here.
    if (hook) hook();
    if (stop && stop->Requested()) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++cutWaits_;
        return false;
    }
    clock_.Advance(timeoutMilliseconds);
    return true;
}

TcpAnswer FakeSockets::ConnectTcp(const Ipv4Address& address, uint16_t port,
                                  uint32_t timeLimitMilliseconds, const StopSignal* stop) {
    const std::string target = FormatIpv4(address) + ":" + std::to_string(port);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tcpAttempts_.push_back(target);
        const auto it = tcpScripts_.find(target);
        if (it != tcpScripts_.end() && it->second != TcpAnswer::NoAnswer) return it->second;
    }
    SilentWait(timeLimitMilliseconds, stop);
    return TcpAnswer::NoAnswer;
}

std::vector<FakeSockets::SentDatagram> FakeSockets::Sent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_;
}

int FakeSockets::EchoRequestsTo(const std::string& address) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = echoRequests_.find(address);
    return it == echoRequests_.end() ? 0 : it->second;
}

std::unique_ptr<Socket> FakeSockets::Open(bool icmp, int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    error = failCreation_;
    if (error != 0) return nullptr;
    return std::make_unique<FakeSocket>(*this, icmp);
}

std::unique_ptr<Socket> FakeSockets::OpenRawIcmp(int& error) { return Open(true, error); }

std::unique_ptr<Socket> FakeSockets::OpenUdp(int& error) { return Open(false, error); }

std::optional<Ipv4Address> FakeSockets::LookupHost(const std::string& name, int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = hostAddresses_.find(name);
    if (it != hostAddresses_.end()) {
        if (auto address = ParseDottedIpv4(it->second)) {
            error = 0;
            return address;
        }
    }
    error = LookupFailedError;
    return std::nullopt;
}

std::string FakeSockets::ErrorText(int code) { return "socket error " + std::to_string(code); }

std::pair<int, std::vector<std::string>> FakeSockets::Exchange(bool icmp,
                                                               const Ipv4Address& address,
                                                               uint16_t port,
                                                               const std::string& bytes) {
    const std::string target = FormatIpv4(address);
    DnsServerScript server;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sent_.push_back({icmp, target, port, bytes});
        if (!icmp) {
            const auto it = dnsServers_.find({target, port});
            if (it == dnsServers_.end()) return {0, {}};
            server = it->second;
        }
    }
    if (!icmp) {
        // The script runs unlocked: it may script the machine in turn.
        auto reply = server(bytes);
        if (!reply) return {0, {}};
        return {0, {std::move(*reply)}};
    }

    std::lock_guard<std::mutex> lock(mutex_);
    const int index = echoRequests_[target]++;
    const auto script = echoScripts_.find(target);
    if (script == echoScripts_.end() || script->second.empty()) return {0, {}};
    const auto& answers = script->second;
    const EchoAnswer& answer =
        answers[std::min<size_t>(static_cast<size_t>(index), answers.size() - 1)];
    if (answer.kind == EchoAnswer::Kind::SendFails) return {answer.error, {}};
    std::vector<std::string> datagrams = answer.strays;
    switch (answer.kind) {
        case EchoAnswer::Kind::Reply:
            datagrams.push_back(EchoAnswerDatagram(0, 0, address, bytes));
            break;
        case EchoAnswer::Kind::Unreachable:
            datagrams.push_back(EchoAnswerDatagram(3, 1, address, bytes));
            break;
        case EchoAnswer::Kind::TtlExpired:
            datagrams.push_back(EchoAnswerDatagram(11, 0, address, bytes));
            break;
        case EchoAnswer::Kind::Datagram:
            datagrams.push_back(answer.datagram);
            break;
        case EchoAnswer::Kind::SendFails:
        case EchoAnswer::Kind::Silence:
            break;
    }
    return {0, std::move(datagrams)};
}

}  // namespace plover::standin
