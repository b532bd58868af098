// Times the program's own checks in process, as the diagnostic thread runs
// them: echo requests through the window's ping service (request, reply,
// log line) and through the echo client alone, DNS lookups with a new query
// component each, page fetches through the window's page component (a
// worker thread, WinInet, the outcome handed to the window's thread). The
// parts those calls are made of are timed too, to show where the time goes:
// one log line, a raw and a UDP socket opened and closed, a worker thread
// that hands one empty event to the window's thread. Runs only inside a lab
// namespace made by scripts/bench.sh, against its peers.
//
//   plover_check_timings.exe COUNT ECHO_HOST DNS_SERVER NAME ADDRESS PAGE_HOST TITLE
// Prints one line per check, "CHECK first_us us us ...": the first call
// apart (it pays for the libraries' start), then COUNT timed calls. Every
// call's answer is verified; a wrong one ends the program with status 1.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/PageService.h"
#include "app/PingService.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Synchronizer.h"
#include "protocols/DnsQuery.h"
#include "protocols/IcmpClient.h"
#include "system/Log.h"
#include "tests/support/SynchronizerWindow.h"

namespace {

using namespace plover;

constexpr int MaxCount = 1000;
constexpr DWORD WorkLimitMilliseconds = 300000;

// Runs one check count + 1 times and prints its line; false at the first
// wrong answer.
bool Time(const char* name, int count, const std::function<std::string()>& check) {
    std::string line = name;
    for (int call = 0; call <= count; ++call) {
        const auto before = std::chrono::steady_clock::now();
        const std::string wrong = check();
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - before;
        if (!wrong.empty()) {
            std::printf("%s: call %d: %s\n", name, call, wrong.c_str());
            return false;
        }
        char sample[32];
        std::snprintf(sample, sizeof sample, " %.1f", took.count());
        line += sample;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return true;
}

struct Targets {
    int count;
    std::string echoHost, dnsServer, name, address, pageHost, title;
};

// What the checks are made of.
bool RunParts(const Platform& os, Synchronizer& windowThread, int count) {
    const auto openAndClose = [&os](bool raw) -> std::string {
        int error = 0;
        auto socket = raw ? os.sockets.OpenRawIcmp(error) : os.sockets.OpenUdp(error);
        return socket ? "" : "no socket, error " + std::to_string(error);
    };
    return Time("part-log-line", count,
                [&]() -> std::string {
                    WriteLog(os, "bench", "one log line");
                    return "";
                }) &&
           Time("part-raw-socket", count, [&] { return openAndClose(true); }) &&
           Time("part-udp-socket", count, [&] { return openAndClose(false); }) &&
           Time("part-worker-event", count, [&]() -> std::string {
               bool delivered = false;
               std::thread worker([&] { windowThread.Synchronize([&] { delivered = true; }); });
               worker.join();
               return delivered ? "" : "the event never reached the window's thread";
           });
}

bool RunChecks(const Platform& os, Synchronizer& windowThread, const Targets& targets) {
    PingService ping(os);
    TIdIcmpClient echoClient(os.sockets, os.clock);
    echoClient.Host = targets.echoHost;
    echoClient.ReceiveTimeout = PingService::WindowReceiveTimeout;
    PageService page(os.http, windowThread, os.clock);

    return Time("echo-ping-host", targets.count,
                [&]() -> std::string {
                    return ping.PingHost(targets.echoHost) ? "" : "no echo reply";
                }) &&
           Time("echo-client", targets.count,
                [&]() -> std::string {
                    echoClient.PingOnce();
                    return echoClient.LastReply.Status == ReplyStatusKind::StatusEcho
                               ? ""
                               : "no echo reply";
                }) &&
           Time("dns-lookup", targets.count,
                [&]() -> std::string {
                    TclDnsQuery query(os.sockets, os.clock);
                    query.DnsServer = targets.dnsServer;
                    query.Port = 53;
                    query.TimeOut = 7000;
                    query.IsRecursiveDesired = true;
                    query.ResolveIP(targets.name);
                    if (query.Hosts.empty()) return "no address record";
                    return query.Hosts.front().IPAddress == targets.address
                               ? ""
                               : "answered " + query.Hosts.front().IPAddress;
                }) &&
           Time("page-fetch", targets.count,
                [&]() -> std::string {
                    const std::string text = page.FetchPage(targets.pageHost);
                    return text.find(targets.title) != std::string::npos ? ""
                                                                         : "page text: " + text;
                }) &&
           RunParts(os, windowThread, targets.count);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s COUNT ECHO_HOST DNS_SERVER NAME ADDRESS PAGE_HOST TITLE\n",
                     argv[0]);
        return 2;
    }
    const Targets targets{std::atoi(argv[1]), argv[2], argv[3], argv[4], argv[5], argv[6], argv[7]};
    if (targets.count < 1 || targets.count > MaxCount) {
        std::fprintf(stderr, "COUNT: 1 to %d\n", MaxCount);
        return 2;
    }

    win32::Win32Platform platform;
    win32::Win32Synchronizer synchronizer;
    const HWND window = plover::testing::CreateSynchronizerWindow("PloverCheckTimings");
    if (!window) return 1;
    synchronizer.Attach(window, GetCurrentThreadId());

    // The checks run on a thread of their own, as on the diagnostic thread;
    // this one is the window's thread and hands the page events on.
    std::atomic<bool> done{false}, passed{false};
    std::thread checks([&] {
        try {
            passed = RunChecks(platform.Os(), synchronizer, targets);
        } catch (const std::exception& error) {
            std::printf("error: %s\n", error.what());
        } catch (...) {
            std::printf("error: unknown\n");
        }
        done = true;
        PostMessageA(window, WM_NULL, 0, 0);
    });
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < WorkLimitMilliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    if (!done) {
        std::printf("error: the checks passed their limit of %lu ms\n",
                    static_cast<unsigned long>(WorkLimitMilliseconds));
        std::fflush(stdout);
        ExitProcess(1);
    }
    checks.join();
    synchronizer.Detach();
    DestroyWindow(window);
    return passed ? 0 : 1;
}
