#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "protocols/HttpComponent.h"
#include "tests/standin/FakeHttpTransport.h"
#include "tests/standin/FakeWindowThread.h"

namespace plover {
namespace {

using standin::FakeHttpTransport;
using Events = std::vector<std::string>;

// Records each event with what it carried and checks it ran on the window.
class Recorder {
public:
    Recorder(TWinHTTP& http, const standin::FakeWindowThread& window) : window_(window) {
        http.OnDone = [this](TWinHTTP&, const std::string& type, const std::string& stream,
                             uint64_t size) {
            Add("done " + type + " " + std::to_string(size) + " " + stream);
        };
        http.OnHTTPError = [this](TWinHTTP&, int code, const std::string& stream) {
            Add("http error " + std::to_string(code) + " " + stream);
        };
        http.OnHostUnreachable = [this](TWinHTTP&) { Add("host unreachable"); };
        http.OnConnLost = [this](TWinHTTP&) { Add("connection lost"); };
        http.OnAnyError = [this](TWinHTTP&) { Add("any error"); };
        http.OnDoneInterrupted = [this](TWinHTTP&) { Add("interrupted"); };
    }
    Events events;

private:
    void Add(const std::string& event) {
        EXPECT_EQ(std::this_thread::get_id(), window_.Id()) << event;
        events.push_back(event);
    }
    const standin::FakeWindowThread& window_;
};

HttpTransfer Transfer(int status, const std::string& body, uint64_t announced) {
    HttpTransfer transfer;
    transfer.status = status;
    transfer.contentType = "text/html";
    transfer.body = body;
    transfer.contentLength = announced;
    return transfer;
}

class TWinHTTPTest : public ::testing::Test {
protected:
    Events Fetch(const std::string& url) {
        http_.URL = url;
        EXPECT_TRUE(http_.Read(true));
        EXPECT_FALSE(http_.Busy());
        Events events = recorder_.events;
        recorder_.events.clear();
        return events;
    }
    // Bounded: the worker ends as soon as its events are delivered.
    void AwaitIdle() {
        for (int i = 0; i < 500 && http_.Busy(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_FALSE(http_.Busy());
    }
    FakeHttpTransport transport_;
    standin::FakeWindowThread window_{standin::FakeWindowThread::OwnThread{}};
    TWinHTTP http_{transport_, window_};
    Recorder recorder_{http_, window_};
};

TEST_F(TWinHTTPTest, OutcomesMapToEventsOnTheWindowThread) {
    transport_.SetAnswer("http://a/", Transfer(200, "<html>", 6));
    transport_.SetAnswer("http://partial/", Transfer(206, "part", 0));
    transport_.SetAnswer("http://short/", Transfer(200, "<ht", 6));
    transport_.SetAnswer("http://missing/", Transfer(404, "not here", 8));
    transport_.SetAnswer("http://broken/", Transfer(500, "", 0));
    transport_.Fail("http://throws/");
    EXPECT_EQ(Fetch("http://a/"), (Events{"done text/html 6 <html>"}));
    EXPECT_EQ(Fetch("http://partial/"), (Events{"done text/html 4 part"}));
    EXPECT_EQ(Fetch("http://short/"), (Events{"connection lost", "any error"}));
    EXPECT_EQ(Fetch("http://missing/"), (Events{"http error 404 not here", "any error"}));
    EXPECT_EQ(Fetch("http://broken/"), (Events{"http error 500 ", "any error"}));
    EXPECT_EQ(Fetch("http://nobody/"), (Events{"host unreachable", "any error"}));
    EXPECT_EQ(Fetch("http://throws/"), (Events{"any error"}));
}

TEST_F(TWinHTTPTest, ATransferCutByTheTimeLimitIsAFailureWhateverItBrought) {
    HttpTransfer endless = Transfer(200, "<html>trickle", 0);
    endless.timedOut = true;
    transport_.SetAnswer("http://endless/", endless);
    HttpTransfer silent;
    silent.timedOut = true;
    transport_.SetAnswer("http://silent/", silent);
    EXPECT_EQ(Fetch("http://endless/"), (Events{"connection lost", "any error"}));
    EXPECT_EQ(Fetch("http://silent/"), (Events{"host unreachable", "any error"}));

    // Every request carries the component's limit, a minute unless set.
    http_.TransferTimeLimit = 1500;
    Fetch("http://silent/");
    const auto requests = transport_.Requests();
    EXPECT_EQ(requests[0].timeLimitMilliseconds, 60000u);
    EXPECT_EQ(requests.back().timeLimitMilliseconds, 1500u);
}

TEST_F(TWinHTTPTest, ABodyStoppedAtTheSizeLimitIsThePageAsFarAsItCame) {
    // Endless, and announced longer than it was read: both are judged on
    // what arrived. Without the cap the same short body is a lost connection.
    HttpTransfer endless = Transfer(200, "<title>Google</title>", 0);
    endless.capped = true;
    transport_.SetAnswer("http://endless/", endless);
    HttpTransfer announced = Transfer(200, "<title>", 1u << 30);
    announced.capped = true;
    transport_.SetAnswer("http://announced/", announced);
    EXPECT_EQ(Fetch("http://endless/"), (Events{"done text/html 21 <title>Google</title>"}));
    EXPECT_EQ(Fetch("http://announced/"), (Events{"done text/html 7 <title>"}));
    // A capped error answer stays an error.
    HttpTransfer missing = Transfer(404, "x", 0);
    missing.capped = true;
    transport_.SetAnswer("http://missing/", missing);
    EXPECT_EQ(Fetch("http://missing/"), (Events{"http error 404 x", "any error"}));

    // Every request carries the component's limit, 8 MiB unless set.
    http_.BodySizeLimit = 4096;
    Fetch("http://endless/");
    const auto requests = transport_.Requests();
    EXPECT_EQ(requests[0].bodySizeLimit, 8u * 1024 * 1024);
    EXPECT_EQ(requests.back().bodySizeLimit, 4096u);
}

TEST_F(TWinHTTPTest, BareHostGetsHttpInFrontAndTheRequestCarriesTheAgent) {
    http_.Agent = "BrackenfieldReporting";
    Fetch("www.lab.test");
    Fetch("https://www.lab.test/x?y=1");
    const auto requests = transport_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].url, "http://www.lab.test");
    EXPECT_EQ(requests[0].agent, "BrackenfieldReporting");
    EXPECT_TRUE(requests[0].showGoOnlineMessage);
    EXPECT_EQ(requests[1].url, "https://www.lab.test/x?y=1");
}

// Holds a transfer inside the transport until the test lets it go.
class Gate {
public:
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void AwaitEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

TEST_F(TWinHTTPTest, ASecondReadWhileBusyReturnsFalseAndChangesNothing) {
    Gate gate;
    transport_.OnTransfer([&](const HttpGetRequest&) { gate.Wait(); });
    transport_.SetPage("http://a/", "page");
    http_.URL = "http://a/";
    ASSERT_TRUE(http_.Read(false));
    gate.AwaitEntered();
    EXPECT_TRUE(http_.Busy());
    http_.URL = "http://b/";
    EXPECT_FALSE(http_.Read(true));
    gate.Open();
    AwaitIdle();
    const auto requests = transport_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].url, "http://a/");
    EXPECT_EQ(recorder_.events, (Events{"done text/html 4 page"}));
}

TEST_F(TWinHTTPTest, AbortedFetchEndsInterruptedOnly) {
    Gate gate;
    transport_.OnTransfer([&](const HttpGetRequest&) { gate.Wait(); });
    transport_.SetPage("http://a/", "page");
    http_.URL = "http://a/";
    ASSERT_TRUE(http_.Read(false));
    gate.AwaitEntered();
    http_.Abort();
    gate.Open();
    AwaitIdle();
    EXPECT_EQ(recorder_.events, (Events{"interrupted"}));
    // The next fetch starts afresh.
    transport_.OnTransfer(nullptr);
    recorder_.events.clear();
    EXPECT_EQ(Fetch("http://a/"), (Events{"done text/html 4 page"}));
}

TEST(TWinHTTP, DestroyingTheComponentWaitsForItsWorker) {
    FakeHttpTransport transport;
    transport.SetPage("http://a/", "page");
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    int done = 0;
    {
        TWinHTTP http(transport, window);
        http.OnDone = [&](TWinHTTP&, const std::string&, const std::string&, uint64_t) { ++done; };
        http.URL = "http://a/";
        ASSERT_TRUE(http.Read(false));
    }
    EXPECT_EQ(done, 1);
}

}  // namespace
}  // namespace plover
