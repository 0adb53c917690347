// The endpoint over real loopback connections on the manual loop, its
// deadline timer fired by hand: requests kept alive and pipelined, and bad
// input bounded — junk, an endless head, a head a byte at a time, a client
// that never reads, more clients than the bound.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "loop/manual/manual_event_loop.h"
#include "metrics/metrics_server.h"
#include "tests/support/test_sockets.h"

namespace tavik::metrics {
namespace {

using test::TTestSocket;

class MetricsServer : public ::testing::Test {
protected:
    TManualEventLoop Loop;
    std::string Body = "tavik_frequency_hertz 100000\n";
    TMetricsServer Server{Loop, [this](TExpositionFormat) { return Body; }};
    std::vector<std::string> Notices;

    void SetUp() override {
        Server.OnNotice = [this](const std::string& notice) { Notices.push_back(notice); };
        ASSERT_TRUE(Server.Listen(net::TListenAddress{{127, 0, 0, 1}, 0})) << Server.Error();
    }
    // Runs the loop until the condition holds (or a few seconds pass).
    bool Until(const std::function<bool()>& condition) {
        for (int i = 0; i < 500 && !condition(); ++i) Loop.ProcessEvents(10);
        return condition();
    }
    // Everything a client gets until the server closes the connection.
    std::string ReadToEnd(TTestSocket& client) {
        std::string got;
        Until([&] { return got += client.Take(), client.Ended; });
        return got;
    }
    // The deadline timer, as its interval passing would fire it.
    void PassMs(int ms) {
        for (int passed = 0; passed < ms; passed += TMetricsServerLimits{}.DeadlineCheckMs)
            static_cast<TManualEventLoop::TTimer*>(Loop.Timers().back())->Fire();
    }
    static int Count(const std::string& text, const std::string& part) {
        int count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }
};

TEST_F(MetricsServer, KeptAliveAndPipelinedRequestsAreEachAnswered) {
    TTestSocket client = TTestSocket::Connect(Server.Port());
    ASSERT_TRUE(Until([&] { return Server.Clients() == 1; }));
    client.Send("GET /metrics HTTP/1.1\r\nHost: a\r\n\r\nGET /metrics HTTP/1.1\r\n\r\nGET /other HTTP/1.1\r\n\r\n");
    std::string got;
    ASSERT_TRUE(Until([&] { return got += client.Take(), Count(got, "HTTP/1.1 ") == 3; })) << got;
    EXPECT_EQ(Count(got, "HTTP/1.1 200 OK\r\n"), 2);
    EXPECT_EQ(Count(got, "\r\n\r\n" + Body), 2);
    EXPECT_EQ(Count(got, "HTTP/1.1 404 Not Found\r\n"), 1);
    EXPECT_EQ(Server.Scrapes(), 2u);
    EXPECT_FALSE(client.Ended);
    // A keep-alive connection with nothing asked ends quietly at its deadline.
    PassMs(TMetricsServerLimits{}.RequestDeadlineMs);
    EXPECT_TRUE(Until([&] { return client.Take(), client.Ended; }));
    EXPECT_TRUE(Notices.empty());
}

TEST_F(MetricsServer, BadInputIsAnsweredAndTheConnectionClosed) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15), "HTTP/1.1 400 "},
        {"GET /" + std::string(20000, 'x'), "HTTP/1.1 431 "},
        {"GET / HTTP/1.1\r\n" + std::string(100, 'X') + ": 1\r\n", ""},
    };
    for (const auto& [input, answer] : cases) {
        TTestSocket client = TTestSocket::Connect(Server.Port());
        std::string got;
        for (std::size_t sent = 0; sent < input.size() && !client.Ended;) {
            const long long took = client.Send(std::string_view(input).substr(sent));
            if (took > 0) sent += static_cast<std::size_t>(took);
            Loop.ProcessEvents(10);
            got += client.Take();
        }
        if (answer.empty()) {
            PassMs(TMetricsServerLimits{}.RequestDeadlineMs);  // a head that never ends
        }
        got += ReadToEnd(client);
        EXPECT_TRUE(client.Ended);
        EXPECT_TRUE(got.starts_with(answer)) << got.substr(0, 80);
    }
    EXPECT_TRUE(Until([&] { return Server.Clients() == 0; }));
    EXPECT_EQ(Server.Scrapes(), 0u);
}

TEST_F(MetricsServer, AHeadAByteAtATimeIsDroppedAtItsDeadline) {
    TTestSocket client = TTestSocket::Connect(Server.Port());
    const std::string head = "GET /metrics HTTP/1.1\r\n";
    for (std::size_t i = 0; i < head.size(); ++i) {
        client.Send(head.substr(i, 1));
        Loop.ProcessEvents(5);
        // Each byte comes well within the deadline, but the head as a whole does not.
        PassMs(TMetricsServerLimits{}.RequestDeadlineMs / static_cast<int>(head.size()) + 250);
    }
    EXPECT_EQ(ReadToEnd(client), "");
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_NE(Notices[0].find("dropped: no whole request within 10000 ms"), std::string::npos) << Notices[0];
}

TEST_F(MetricsServer, AClientThatNeverReadsIsDroppedAndHoldsUpNoOther) {
    Body = std::string(4 << 20, 'x');  // more than the sockets hold
    TTestSocket silent = TTestSocket::Connect(Server.Port(), 4096);
    silent.Send("GET /metrics HTTP/1.1\r\n\r\nGET /metrics HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(Until([&] { return Server.Scrapes() == 1; }));
    Body = "small\n";
    TTestSocket other = TTestSocket::Connect(Server.Port());
    other.Send("GET /metrics HTTP/1.0\r\n\r\n");
    EXPECT_NE(ReadToEnd(other).find("\r\n\r\nsmall\n"), std::string::npos);
    EXPECT_EQ(Server.Scrapes(), 2u);  // the silent client's second request is not read meanwhile
    PassMs(TMetricsServerLimits{}.AnswerDeadlineMs);
    EXPECT_TRUE(Until([&] { return Server.Clients() == 0; }));
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_NE(Notices[0].find("dropped: answer not taken within 10000 ms"), std::string::npos) << Notices[0];
}

TEST_F(MetricsServer, ClientsPastTheBoundAreClosedAtOnce) {
    std::vector<TTestSocket> clients;
    for (std::size_t i = 0; i <= TMetricsServerLimits{}.MaxClients; ++i) clients.push_back(TTestSocket::Connect(Server.Port()));
    ASSERT_TRUE(Until([&] { return Server.Clients() == TMetricsServerLimits{}.MaxClients; }));
    EXPECT_EQ(ReadToEnd(clients.back()), "");
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_NE(Notices[0].find("refused: 16 clients already connected"), std::string::npos);
    clients.front().Send("GET /metrics HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(ReadToEnd(clients.front()).starts_with("HTTP/1.1 200 OK\r\n"));
}

}  // namespace
}  // namespace tavik::metrics
