// The server over real loopback connections on every loop of the build, with
// a service that echoes each line in angle brackets, counts, answers "BIG n"
// with n bytes, "#..." with nothing and "WAIT" later: clients interleaved, lines across
// writes, a client that floods the server, overruns, binary junk, the client
// bound, a client that does not read (held back, not dropped), the idle
// bound, one that vanishes, one that ends its side, a port already taken,
// Close, (POSIX) no descriptors left, and a client whose answer comes later.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "net/line_server.h"
#include "tests/support/loop_kinds.h"
#include "tests/support/test_sockets.h"

namespace tavik::net {
namespace {

using test::TLoopKind;
using test::TTestSocket;

struct TServiceCounts {
    int Made = 0;
    int Alive = 0;
    std::size_t Quiet = 0;  // lines of every service that wanted no answer
    std::size_t QuietAtEcho = 0;  // as many when a line was last echoed
    std::vector<class TTestService*> Waiting;  // services whose "WAIT" is not answered yet
};

class TTestService : public TLineService {
public:
    explicit TTestService(TServiceCounts& counts) : Counts_(counts) { ++Counts_.Made, ++Counts_.Alive; }
    ~TTestService() override { --Counts_.Alive; }
    void Line(std::string_view line, std::string& out) override {
        if (line == "WAIT") {
            Counts_.Waiting.push_back(this);
            Waits_ = true;
        } else if (line.starts_with("#"))
            ++Counts_.Quiet;
        else if (line == "COUNT?")
            out += std::to_string(Lines_) + "\n";
        else if (line == "OVERRUNS?")
            out += std::to_string(Overruns_) + "\n";
        else if (line.starts_with("BIG "))
            out += std::string(std::stoul(std::string(line.substr(4))), 'b') + "\n";
        else {
            out += "<" + std::string(line) + ">\n";
            Counts_.QuietAtEcho = Counts_.Quiet;
        }
        ++Lines_;
    }
    void Overrun() override { ++Overruns_; }
    bool Waiting() const override { return Waits_; }
    void TakeLater(std::string& out) override { out += std::exchange(Later_, {}); }
    // The answer to "WAIT" has come.
    void Release() {
        std::erase(Counts_.Waiting, this);
        Waits_ = false;
        Later_ = "<released>\n";
        Resumed();
    }

private:
    bool Waits_ = false;
    std::string Later_;
    TServiceCounts& Counts_;
    int Lines_ = 0;
    int Overruns_ = 0;
};

class LineServer : public testing::TestWithParam<TLoopKind> {
protected:
    void SetUp() override {
        Loop = GetParam().Make();
        Restart({});
    }

    void Restart(TLineServerLimits limits) {
        Server.reset();
        Server = std::make_unique<TLineServer>(*Loop, [this] { return std::make_unique<TTestService>(Counts); }, limits);
        Server->OnNotice = [this](const std::string& text) { Notices.push_back(text); };
        ASSERT_TRUE(Server->Listen({{127, 0, 0, 1}, 0})) << Server->Error();
        Port = Server->Port();
        ASSERT_NE(Port, 0);
    }

    // Runs the loop until done() holds; gives up after a while so that a
    // fault fails the test instead of hanging it.
    bool RunUntil(const std::function<bool()>& done) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < giveUp) Loop->ProcessEvents(10);
        return done();
    }

    // A client the server has taken (or refused: the notice tells).
    TTestSocket Connect(int receiveBuffer = 0) {
        const std::size_t before = Notices.size();
        TTestSocket client = TTestSocket::Connect(Port, receiveBuffer);
        EXPECT_TRUE(client.IsOpen());
        EXPECT_TRUE(RunUntil([&] { return Notices.size() > before; })) << "the server saw the client";
        return client;
    }

    // Sends everything, the loop running while the socket is full.
    bool Send(TTestSocket& client, std::string bytes) {
        return RunUntil([&] {
            const long long sent = client.Send(bytes);
            if (sent < 0) return true;
            bytes.erase(0, static_cast<std::size_t>(sent));
            return bytes.empty();
        }) && bytes.empty();
    }

    // The answer to what is sent: as many lines as expected.
    std::string Ask(TTestSocket& client, const std::string& bytes, std::size_t lines = 1) {
        std::string answer;
        EXPECT_TRUE(Send(client, bytes));
        EXPECT_TRUE(RunUntil([&] {
            answer += client.Take();
            return std::count(answer.begin(), answer.end(), '\n') >= static_cast<std::ptrdiff_t>(lines) || client.Ended;
        })) << "an answer to " << bytes.substr(0, 40);
        return answer;
    }

    bool SomeNotice(const std::string& part) const {
        return std::any_of(Notices.begin(), Notices.end(),
                           [&](const std::string& notice) { return notice.find(part) != std::string::npos; });
    }

    std::unique_ptr<TEventLoop> Loop;
    TServiceCounts Counts;
    std::unique_ptr<TLineServer> Server;
    std::vector<std::string> Notices;
    uint16_t Port = 0;
};

using namespace std::string_literals;

TEST_P(LineServer, FramesTheLinesOfInterleavedClientsEachOnItsOwn) {
    std::vector<TTestSocket> clients;
    for (int i = 0; i < 3; ++i) clients.push_back(Connect());
    EXPECT_EQ(Server->Clients(), 3u);
    EXPECT_EQ(Counts.Alive, 3) << "a service each";
    struct TWrite {
        int Client;
        std::string Bytes;
    };
    const std::vector<TWrite> writes = {
        {0, "ab"}, {1, "x\r\n"}, {0, "c\nd"}, {2, "p\nq\r\nr\n"}, {0, "\r"}, {1, "COUNT?\n"}, {0, "\nCOUNT?\n"},
        {2, "COUNT?"}, {2, "\r\n"},
    };
    for (const TWrite& write : writes) {
        ASSERT_TRUE(Send(clients[write.Client], write.Bytes));
        Loop->ProcessEvents(0);
    }
    const std::vector<std::string> expected = {"<abc>\n<d>\n2\n", "<x>\n1\n", "<p>\n<q>\n<r>\n3\n"};
    for (std::size_t i = 0; i < clients.size(); ++i) {
        std::string got;
        EXPECT_TRUE(RunUntil([&] { return (got += clients[i].Take()).size() >= expected[i].size(); }));
        EXPECT_EQ(got, expected[i]) << "client " << i;
    }
}

TEST_P(LineServer, AClientThatFloodsTheServerWaitsItsTurnLikeTheOthers) {
    TTestSocket flood = Connect();
    TTestSocket other = Connect();
    // As many quiet lines as the system's buffers take, up to 256 KiB: tens
    // of thousands of turns (Wine's buffers take far more than the time bound
    // lets the server read).
    const std::string lines = [] {
        std::string text;
        for (int i = 0; i < 8192; ++i) text += "#\n";
        return text;
    }();
    std::size_t sent = 0;
    for (long long now = 1; now > 0 && sent < 16 * lines.size();)
        sent += static_cast<std::size_t>(now = std::max(flood.Send(lines), 0LL));
    ASSERT_GT(sent, 4 * lines.size());
    EXPECT_EQ(Ask(other, "ping\n"), "<ping>\n");
    EXPECT_LT(Counts.QuietAtEcho * 2, sent) << "answered before the flood was all read";
    EXPECT_LT(Counts.Quiet * 2, sent) << "the loop's caller had its turns meanwhile";
    EXPECT_TRUE(RunUntil([&] { return Counts.Quiet * 2 == sent; })) << "and the flood read in the end";
}

TEST_P(LineServer, AnOverrunKeepsTheConnectionAndJunkGoesThroughAsBytes) {
    TTestSocket client = Connect();
    const std::string limit(4096, 'L');
    EXPECT_EQ(Ask(client, limit + "\r\n"), "<" + limit + ">\n") << "exactly the limit is a line";
    // Past the limit in several writes: one overrun, nothing answered, the
    // next line as usual.
    ASSERT_TRUE(Send(client, std::string(3000, 'x')));
    ASSERT_TRUE(Send(client, std::string(3000, 'x')));
    EXPECT_EQ(Ask(client, "tail\nOVERRUNS?\n"), "1\n");
    EXPECT_EQ(Ask(client, "COUNT?\n"), "2\n") << "the overrun line is no line";
    const std::string junk = "\0\x01\xff\xfe\xc3(\xed\xa0\x80 \t"s;
    EXPECT_EQ(Ask(client, junk + "\n"), "<" + junk + ">\n");
    EXPECT_EQ(Server->Clients(), 1u);
}

TEST_P(LineServer, TheClientPastTheBoundIsClosedAtOnceWhileTheOthersGoOn) {
    std::vector<TTestSocket> clients;
    for (int i = 0; i < 8; ++i) clients.push_back(Connect());
    TTestSocket ninth = Connect();
    EXPECT_TRUE(SomeNotice("refused: 8 clients already connected"));
    std::string toNinth;
    EXPECT_TRUE(RunUntil([&] { return (toNinth += ninth.Take()), ninth.Ended; })) << "closed";
    EXPECT_EQ(toNinth, "");
    EXPECT_EQ(Server->Clients(), 8u);
    EXPECT_EQ(Counts.Made, 8) << "no service for the refused";
    for (std::size_t i = 0; i < clients.size(); ++i)
        EXPECT_EQ(Ask(clients[i], "n" + std::to_string(i) + "\n"), "<n" + std::to_string(i) + ">\n");

    // One leaves: there is room again.
    clients[3].Close();
    EXPECT_TRUE(RunUntil([&] { return Server->Clients() == 7; }));
    TTestSocket next = Connect();
    EXPECT_EQ(Ask(next, "again\n"), "<again>\n");
    EXPECT_EQ(Server->Clients(), 8u);
}

TEST_P(LineServer, AClientThatDoesNotReadIsHeldBackNotDroppedAndTheIdleBoundFreesSilentOnes) {
    TTestSocket reader = Connect();
    TTestSocket deaf = Connect(4096);
    // A big answer asked for, and a quiet line that fills the pipes.
    const std::string line = "BIG 65536\n" + std::string(4085, '#') + "\n";
    // The deaf client asks for ever more, until its answers unread hold it
    // back and its own writes no longer go; the other is answered meanwhile.
    std::size_t asked = 0;  // BIG lines that went whole
    std::string rest;       // of the last pair, what did not go
    for (int round = 0; round < 400; ++round) {
        std::size_t went = 0;
        for (int k = 0; k < 16; ++k) {
            if (rest.empty()) rest = line;
            const bool bigGone = rest.size() <= line.size() - 10;  // "BIG 65536\n" has gone
            const long long now = deaf.Send(rest);
            if (now <= 0) break;
            rest.erase(0, static_cast<std::size_t>(now));
            went += static_cast<std::size_t>(now);
            if (!bigGone && rest.size() <= line.size() - 10) ++asked;
        }
        EXPECT_EQ(Ask(reader, "COUNT?\n"), std::to_string(round) + "\n");
        if (went == 0) break;
    }
    EXPECT_EQ(Server->Clients(), 2u) << "held back, not dropped";
    EXPECT_LT(asked, 400u * 16) << "its writes stopped going";
    // Once it reads, every line it sent is answered, none lost.
    std::string got;
    const std::size_t answers = asked * (65536 + 1);
    EXPECT_TRUE(RunUntil([&] { return (got += deaf.Take()).size() >= answers; }));
    EXPECT_EQ(got.size(), answers);
    // The pair cut short goes whole, its BIG answered too if it had not gone.
    if (rest.size() == line.size()) rest.clear();
    const std::size_t last = rest.size() > line.size() - 10 ? 1 : 0;
    const std::string count = Ask(deaf, rest + "COUNT?\n", 1 + last);
    const std::string want = std::string(last * 65536, 'b') + (last ? "\n" : "") + std::to_string(2 * (asked + last)) + "\n";
    EXPECT_TRUE(count == want) << count.size() << " bytes, not " << want.size() << ", ending "
                               << count.substr(count.size() - std::min<std::size_t>(count.size(), 12));

    // With a bound of a second, a client that says nothing is closed; one
    // that talks stays.
    if (auto* manual = dynamic_cast<TManualEventLoop*>(Loop.get())) manual->RealTime = true;  // timers tick
    Restart({.IdleSeconds = 1});
    TTestSocket silent = Connect();
    TTestSocket talking = Connect();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunUntil([&] {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300)) {
            talking.Send("#\n");
        }
        return silent.Take(), silent.Ended;
    }));
    EXPECT_TRUE(SomeNotice("dropped: idle for 1 s"));
    EXPECT_EQ(Ask(talking, "still\n"), "<still>\n");
    EXPECT_EQ(Server->Clients(), 1u);
}

TEST_P(LineServer, AClientThatVanishesIsCleanedUp) {
    TTestSocket stays = Connect();
    {
        TTestSocket midCommand = Connect();
        ASSERT_TRUE(Send(midCommand, "COU"));
        midCommand.Abort();
    }
    EXPECT_TRUE(RunUntil([&] { return Server->Clients() == 1; }));
    {
        // Gone with a reset before its question is read.
        TTestSocket gone = Connect();
        ASSERT_TRUE(Send(gone, "BIG 1000\n"));
        gone.Abort();
        EXPECT_TRUE(RunUntil([&] { return Server->Clients() == 1; }));
    }
    EXPECT_EQ(Counts.Alive, 1);
    EXPECT_EQ(Ask(stays, "here\n"), "<here>\n");
}

TEST_P(LineServer, AClientThatEndsItsSideGetsItsAnswersBeforeTheClose) {
    // More unread answers allowed than the system's buffers hold, so that
    // some are still waiting when the end comes.
    constexpr std::size_t answerBytes = 16 << 20;
    TLineServer roomy(*Loop, [this] { return std::make_unique<TTestService>(Counts); }, {8, 4096, 2 * answerBytes});
    ASSERT_TRUE(roomy.Listen({{127, 0, 0, 1}, 0})) << roomy.Error();
    TTestSocket client = TTestSocket::Connect(roomy.Port(), 4096);
    ASSERT_TRUE(Send(client, "BIG " + std::to_string(answerBytes) + "\nlast\n"));
    client.EndSending();
    std::string answer;
    EXPECT_TRUE(RunUntil([&] { return (answer += client.Take()), client.Ended; }));
    EXPECT_EQ(answer.size(), answerBytes + std::string("\n<last>\n").size());
    EXPECT_TRUE(answer.ends_with("b\n<last>\n"));
    EXPECT_TRUE(RunUntil([&] { return roomy.Clients() == 0; }));
    EXPECT_EQ(Counts.Alive, 0);
}

// A line whose answer comes later holds up its own client (its next lines
// wait, in order) and no other.
TEST_P(LineServer, AClientWhoseAnswerComesLaterWaitsAloneAndInOrder) {
    TTestSocket waiting = Connect();
    TTestSocket other = Connect();
    ASSERT_TRUE(Send(waiting, "WAIT\nafter\nCOUNT?\n"));
    ASSERT_TRUE(RunUntil([&] { return Counts.Waiting.size() == 1; }));
    EXPECT_EQ(Ask(other, "ping\n"), "<ping>\n") << "the other client is served meanwhile";
    for (int i = 0; i < 10; ++i) Loop->ProcessEvents(5);
    EXPECT_EQ(waiting.Take(), "") << "nothing of the waiting client's ran";
    Counts.Waiting.front()->Release();
    std::string answer;
    EXPECT_TRUE(RunUntil([&] { return std::ranges::count(answer += waiting.Take(), '\n') >= 3 || waiting.Ended; }));
    EXPECT_EQ(answer, "<released>\n<after>\n2\n");
}

TEST_P(LineServer, APortTakenIsRefusedWithTheReason) {
    TLineServer second(*Loop, [this] { return std::make_unique<TTestService>(Counts); });
    EXPECT_FALSE(second.Listen({{127, 0, 0, 1}, Port}));
    EXPECT_FALSE(second.Listening());
    const std::string prefix = "bind 127.0.0.1:" + std::to_string(Port) + ": ";
    EXPECT_EQ(second.Error().substr(0, prefix.size()), prefix);
    EXPECT_GT(second.Error().size(), prefix.size()) << "the system's words";
    TTestSocket client = Connect();
    EXPECT_EQ(Ask(client, "first\n"), "<first>\n") << "the first server still listens";
}

TEST_P(LineServer, CloseEndsEveryConnection) {
    std::vector<TTestSocket> clients;
    for (int i = 0; i < 3; ++i) clients.push_back(Connect());
    Server->Close();
    EXPECT_EQ(Server->Clients(), 0u);
    EXPECT_EQ(Counts.Alive, 0);
    EXPECT_EQ(Server->Port(), 0);
    for (TTestSocket& client : clients)
        EXPECT_TRUE(RunUntil([&] { return client.Take(), client.Ended; }));
    EXPECT_FALSE(TTestSocket::Connect(Port).IsOpen()) << "nobody listens";
}

INSTANTIATE_TEST_SUITE_P(Loops, LineServer, testing::ValuesIn(test::LoopKinds()), test::LoopKindName);

#ifndef _WIN32
// Where the test fires the server's timer by hand.
class LineServerOnTheManualLoop : public LineServer {};

TEST_P(LineServerOnTheManualLoop, OutOfDescriptorsTheListenerRestsInsteadOfFailingEveryRound) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' runtime opens descriptors of its own to check memory,
    // and with none left takes a sound call for a bad one.
    GTEST_SKIP() << "not with the sanitizers";
#endif
    auto* manual = dynamic_cast<TManualEventLoop*>(Loop.get());
    ASSERT_NE(manual, nullptr);
    TTestSocket client = TTestSocket::Connect(Port);  // waiting to be accepted
    ASSERT_TRUE(client.IsOpen());
    // No descriptor left for the accepted connection.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int next = dup(static_cast<int>(client.Handle()));
    close(next);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(next);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int round = 0; round < 10; ++round) Loop->ProcessEvents(10);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(std::count_if(Notices.begin(), Notices.end(),
                            [](const std::string& notice) { return notice.starts_with("accept: "); }),
              1);
    EXPECT_TRUE(SomeNotice("accepting again in 1000 ms"));
    EXPECT_EQ(Server->Clients(), 0u);
    ASSERT_EQ(manual->Timers().size(), 2u) << "the server's retry, then its idle check";
    manual->Timers()[0]->Fire();
    EXPECT_EQ(Ask(client, "back\n"), "<back>\n");
}

INSTANTIATE_TEST_SUITE_P(Loops, LineServerOnTheManualLoop, testing::Values(test::LoopKinds().front()),
                         test::LoopKindName);
#endif

}  // namespace
}  // namespace tavik::net
