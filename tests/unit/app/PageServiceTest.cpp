#include <gtest/gtest.h>

#include "app/PageService.h"
#include "tests/standin/FakeWindowThread.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

class PageServiceTest : public ::testing::Test {
protected:
    standin::FakeWindows machine_;
    standin::FakeWindowThread window_{standin::FakeWindowThread::OwnThread{}};
    PageService service_{machine_.http, window_, machine_.clock};
};

TEST_F(PageServiceTest, PageBodyBecomesPageTextUpToItsFirstNul) {
    machine_.http.SetPage("http://www.lab.test", "<title>Lab</title>");
    EXPECT_EQ(service_.FetchPage("www.lab.test"), "<title>Lab</title>");
    machine_.http.SetPage("http://nul.lab.test", std::string("before\0after", 12));
    EXPECT_EQ(service_.FetchPage("nul.lab.test"), "before");
    EXPECT_TRUE(machine_.clock.Pauses().empty());
    EXPECT_EQ(machine_.http.Requests().at(0).agent, "BrackenfieldReporting");
}

TEST_F(PageServiceTest, EveryFailureEndsAsAnyError) {
    HttpTransfer missing;
    missing.status = 404;
    missing.body = "<title>Lab</title>";
    machine_.http.SetAnswer("http://missing.lab.test", missing);
    HttpTransfer cut;
    cut.status = 200;
    cut.body = "<title>Lab</title>";
    cut.contentLength = 100;
    machine_.http.SetAnswer("http://cut.lab.test", cut);
    machine_.http.Fail("http://throws.lab.test");
    for (const std::string host : {"missing", "cut", "throws", "nobody"}) {
        EXPECT_EQ(service_.FetchPage(host + ".lab.test"), "any error") << host;
    }
}

TEST_F(PageServiceTest, UnreachableHostShowsItsOwnTextBeforeAnyError) {
    std::vector<std::string> seen;
    service_.httpcom.OnAnyError = [&](TWinHTTP& sender) {
        seen.push_back(service_.PageText);
        service_.httpcomAnyError(sender);
    };
    EXPECT_EQ(service_.FetchPage("nobody.lab.test"), "any error");
    EXPECT_EQ(seen, (std::vector<std::string>{"Host Unreacheable"}));
}

TEST_F(PageServiceTest, AFetchWithoutTextEndsAfterABoundedPoll) {
    machine_.http.SetPage("http://empty.lab.test", "");
    EXPECT_EQ(service_.FetchPage("empty.lab.test"), "");
    EXPECT_EQ(machine_.clock.Pauses(), std::vector<uint32_t>(100, 10));
}

TEST_F(PageServiceTest, AFetchTellsItsProxyWhetherABodyCameAndWhereRedirectsLed) {
    HttpTransfer moved;
    moved.status = 302;
    moved.body = "<title>Lab</title>";
    moved.redirectedTo = "http://portal.lab.test/login";
    machine_.http.SetAnswer("http://moved.lab.test", moved);
    machine_.http.SetPage("http://www.lab.test/", "<title>Lab</title>", "proxy.lab.test:3128");

    const FetchedPage failed = service_.Fetch("moved.lab.test", "");
    EXPECT_EQ(failed.text, "any error");
    EXPECT_FALSE(failed.loaded);
    EXPECT_EQ(failed.redirectedTo, "http://portal.lab.test/login");

    const FetchedPage proxied = service_.Fetch("http://www.lab.test/", "proxy.lab.test:3128");
    EXPECT_EQ(proxied.text, "<title>Lab</title>");
    EXPECT_TRUE(proxied.loaded);
    EXPECT_EQ(proxied.redirectedTo, "");
    // The same address directly: no proxy is kept from the fetch before.
    EXPECT_EQ(service_.Fetch("http://www.lab.test/", "").text, "any error");
    const auto requests = machine_.http.Requests();
    EXPECT_EQ(requests.at(1).proxy, "proxy.lab.test:3128");
    EXPECT_EQ(requests.at(2).proxy, "");
}

}  // namespace
}  // namespace plover
