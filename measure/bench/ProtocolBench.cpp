// Per-message cost of the protocol codecs: a DNS question built and a reply
// parsed; an echo request built and a reply decoded.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocols/DnsMessage.h"
#include "protocols/IcmpEcho.h"

namespace {

// Repetitions report their fastest and slowest run beside the median.
double Fastest(const std::vector<double>& runs) {
    return *std::min_element(runs.begin(), runs.end());
}
double Slowest(const std::vector<double>& runs) {
    return *std::max_element(runs.begin(), runs.end());
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// A lab server's answer for alias.lab.test: the CNAME and the A record.
const std::vector<uint8_t> CnameThenA = FromHex(
    "123485800001000200000000"
    "05616c696173036c616204746573740000010001"
    "c00c0005000100000000000e03777777036c6162047465737400"
    "c02c000100010000000000047f00000a");

void DnsQueryBuildAndReplyParse(benchmark::State& state) {
    uint32_t tick = 0;
    for (auto _ : state) {
        plover::TclDnsMessage query;
        query.Clear(++tick);
        query.Header.IsQuery = true;
        query.Header.IsRecursionDesired = true;
        auto question = std::make_unique<plover::TclDnsARecord>();
        question->Name = "alias.lab.test";
        query.Queries.Add(std::move(question));
        std::vector<uint8_t> stream;
        query.Build(stream);
        benchmark::DoNotOptimize(stream.data());

        plover::TclDnsMessage reply;
        reply.Parse(CnameThenA.data(), CnameThenA.size());
        benchmark::DoNotOptimize(&reply.Answers.GetItems(1));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DnsQueryBuildAndReplyParse)
    ->ComputeStatistics("min", &Fastest)
    ->ComputeStatistics("max", &Slowest);

void IcmpRequestBuildAndReplyDecode(benchmark::State& state) {
    std::vector<uint8_t> datagram = FromHex("4500004800000000400100007f0000017f000001");
    uint16_t sequence = 0;
    for (auto _ : state) {
        const auto request = plover::BuildEchoRequest(0x5678, sequence++, 1000);
        std::copy(request.begin(), request.end(), std::back_inserter(datagram));
        datagram[20] = 0;  // as the echo reply comes back
        const auto status = plover::DecodeEchoReply(datagram.data(), datagram.size(), 1005);
        benchmark::DoNotOptimize(status.RoundTripMs);
        datagram.resize(20);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(IcmpRequestBuildAndReplyDecode)
    ->ComputeStatistics("min", &Fastest)
    ->ComputeStatistics("max", &Slowest);

}  // namespace

BENCHMARK_MAIN();
