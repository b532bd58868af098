// The page component over WinInet under Wine, against the lab's web server
// on the loopback started by the test.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "app/PageService.h"
#include "platform/RunClock.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/WinInetTransport.h"
#include "protocols/HttpComponent.h"
#include "tests/standin/FakeWindowThread.h"
#include "tests/wine/protocols/UnixPeer.h"

namespace plover {
namespace {

using winetest::UnixPeer;

class PageFetchUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Started());
        ASSERT_TRUE(winetest::AwaitTcpPort(port_)) << "the web server did not start";
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    HttpTransfer Get(const std::string& path,
                     uint32_t timeLimitMilliseconds = DefaultTransferTimeLimit) {
        HttpGetRequest request;
        request.url = Url(path);
        request.agent = "BrackenfieldReporting";
        request.timeLimitMilliseconds = timeLimitMilliseconds;
        return transport_.Get(request);
    }

    int port_ = winetest::FreePort(SOCK_STREAM);
    UnixPeer server_{"http",
                     "/usr/bin/python3 " + winetest::SourcePath("tests/lab/lib/web.py") +
                         " 127.0.0.1 " + std::to_string(port_) + " 60",
                     60};
    WinInetTransport transport_;
};

TEST_F(PageFetchUnderWine, TransportReportsStatusTypeLengthAndBody) {
    const HttpTransfer page = Get("/page.html");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html");
    EXPECT_EQ(page.contentLength, page.body.size());
    EXPECT_NE(page.body.find("<title>Plover lab page</title>"), std::string::npos);

    const HttpTransfer missing = Get("/missing");
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "not here");

    const HttpTransfer redirected = Get("/redirect");
    EXPECT_EQ(redirected.status, 200);
    EXPECT_EQ(redirected.body, page.body);
    EXPECT_EQ(redirected.redirectedTo, Url("/page.html"));
    EXPECT_EQ(page.redirectedTo, "");

    const HttpTransfer loop = Get("/loop");
    EXPECT_EQ(loop.status, 302);
    EXPECT_EQ(loop.redirectedTo, Url("/loop"));

    const HttpTransfer cut = Get("/short");
    EXPECT_EQ(cut.status, 200);
    EXPECT_EQ(cut.contentLength, 100u);
    EXPECT_EQ(cut.body, "<html>cut ");
}

TEST_F(PageFetchUnderWine, PageTextForEachOutcome) {
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    win32::Win32Clock clock;
    PageService service(transport_, window, clock);
    EXPECT_NE(service.FetchPage(Url("/page.html")).find("Plover lab page"), std::string::npos);
    EXPECT_EQ(service.FetchPage(Url("/missing")), "any error");
    EXPECT_EQ(service.FetchPage(Url("/short")), "any error");
    EXPECT_EQ(service.FetchPage(Url("/loop")), "any error");
    EXPECT_EQ(service.FetchPage(Url("/empty")), "");
    // A bare host: "http://" goes in front.
    EXPECT_NE(service.FetchPage("127.0.0.1:" + std::to_string(port_) + "/page.html")
                  .find("Plover lab page"),
              std::string::npos);
}

// The peer keeps these up for most of a minute; the limit ends them first.
TEST_F(PageFetchUnderWine, ServerThatNeverAnswersOrNeverEndsIsGivenUpAtTheLimit) {
    EXPECT_EQ(Get("/silent", 2000).status, -1);

    const HttpTransfer trickle = Get("/trickle", 2000);
    EXPECT_TRUE(trickle.timedOut);
    EXPECT_EQ(trickle.status, 200);
    EXPECT_EQ(trickle.body.find_first_not_of('x'), std::string::npos);

    // A page well inside its limit is untouched by it.
    const HttpTransfer page = Get("/page.html", 2000);
    EXPECT_FALSE(page.timedOut);
    EXPECT_EQ(page.status, 200);

    // Through the component: Read returns, its worker has ended, and the
    // page check sees a failure.
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    win32::Win32Clock clock;
    PageService service(transport_, window, clock);
    service.httpcom.TransferTimeLimit = 2000;
    EXPECT_EQ(service.FetchPage(Url("/trickle")), "any error");
    EXPECT_FALSE(service.httpcom.Busy());
    EXPECT_EQ(service.FetchPage(Url("/silent")), "any error");
}

TEST_F(PageFetchUnderWine, NobodyListeningIsAnUnreachableHost) {
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    win32::Win32Clock clock;
    PageService service(transport_, window, clock);
    std::vector<std::string> seen;
    service.httpcom.OnAnyError = [&](TWinHTTP& sender) {
        seen.push_back(service.PageText);
        service.httpcomAnyError(sender);
    };
    const int closed = winetest::FreePort(SOCK_STREAM);
    EXPECT_EQ(service.FetchPage("http://127.0.0.1:" + std::to_string(closed) + "/"), "any error");
    EXPECT_EQ(seen, (std::vector<std::string>{"Host Unreacheable"}));
}

// A server that never answers would hold the page check for its whole
// minute; a stop ends the wait at once, and the check fails.
TEST_F(PageFetchUnderWine, AStopEndsTheWaitForAPageAtOnce) {
    StopSignal stop;
    std::thread asker([&stop] {
        ::Sleep(300);
        stop.Request();
    });
    HttpGetRequest request;
    request.url = Url("/silent");
    request.agent = "BrackenfieldReporting";
    request.stopRequested = [&stop] { return stop.Requested(); };
    const HttpTransfer cut = transport_.Get(request);
    asker.join();
    EXPECT_TRUE(cut.interrupted);
    EXPECT_FALSE(cut.timedOut);

    // Through the page component on a run's clock.
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    win32::Win32Clock real;
    RunClock clock(real);
    clock.Follow(&stop);
    PageService service(transport_, window, clock);
    EXPECT_EQ(service.FetchPage(Url("/silent")), "");
}

// A proxy of the user's on the loopback: the fetch goes where the request
// names it, and only there.
TEST_F(PageFetchUnderWine, AFetchThroughANamedProxyGoesThroughIt) {
    const int proxyPort = winetest::FreePort(SOCK_STREAM);
    const std::string config =
        "/tmp/plover-wine-proxy-config-" + std::to_string(::GetCurrentProcessId());
    {
        std::ofstream file("Z:" + config, std::ios::binary);  // Unix line ends
        file << "Port " << proxyPort << "\nListen 127.0.0.1\nTimeout 20\nAllow 127.0.0.1\n"
             << "MaxClients 10\nLogLevel Critical\n";
    }
    UnixPeer proxy("proxy", "/usr/bin/tinyproxy -d -c " + config, 60);
    ASSERT_TRUE(proxy.Started());
    ASSERT_TRUE(winetest::AwaitTcpPort(proxyPort)) << "the proxy did not start";

    HttpGetRequest request;
    request.url = Url("/page.html");
    request.agent = "BrackenfieldReporting";
    request.proxy = "127.0.0.1:" + std::to_string(proxyPort);
    const HttpTransfer through = transport_.Get(request);
    EXPECT_EQ(through.status, 200);
    EXPECT_NE(through.body.find("<title>Plover lab page</title>"), std::string::npos);

    // A proxy that is not there fails the fetch, though the page is there.
    request.proxy = "127.0.0.1:" + std::to_string(winetest::FreePort(SOCK_STREAM));
    EXPECT_EQ(transport_.Get(request).status, -1);

    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    win32::Win32Clock clock;
    PageService service(transport_, window, clock);
    const FetchedPage page = service.Fetch(Url("/redirect"), "127.0.0.1:" + std::to_string(proxyPort));
    EXPECT_TRUE(page.loaded);
    EXPECT_NE(page.text.find("Plover lab page"), std::string::npos);
    EXPECT_EQ(page.redirectedTo, Url("/page.html"));
    ::DeleteFileA(("Z:" + config).c_str());
}

}  // namespace
}  // namespace plover
