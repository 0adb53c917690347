// The VXI-11 server over real loopback connections, its calls written and its
// replies read word by word here as the protocol lays them out, with a
// service that echoes each line in angle brackets, answers "BIG n" with n
// bytes, "#..." with nothing and "WAIT" later: what VISA's reads and writes
// see (answers cut at END, at the request's count and at a term character,
// a read that waits for its answer or its I/O timeout), the status byte,
// clear, locks between links, the abort channel, the RPC layer's refusals,
// and a peer that breaks the record marking or goes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "net/vxi11_server.h"
#include "tests/support/loop_kinds.h"
#include "tests/support/test_sockets.h"

namespace tavik::net {
namespace {

using test::TLoopKind;
using test::TTestSocket;

constexpr uint32_t Core = 0x0607AF, AbortChannel = 0x0607B0;
constexpr uint32_t End = 0x08, TermCharSet = 0x80;
constexpr uint32_t ReqCnt = 1, Chr = 2, EndReason = 4;

class TEchoService : public TLineService {
public:
    explicit TEchoService(std::vector<TEchoService*>& alive) : Alive_(alive) { Alive_.push_back(this); }
    ~TEchoService() override { std::erase(Alive_, this); }
    void Line(std::string_view line, std::string& out) override {
        if (line == "WAIT")
            Waits_ = true;
        else if (line.starts_with("BIG "))
            out += std::string(std::stoul(std::string(line.substr(4))), 'b') + "\n";
        else if (!line.starts_with("#"))
            out += "<" + std::string(line) + ">\n";
    }
    void Overrun() override {}
    bool Waiting() const override { return Waits_; }
    void TakeLater(std::string& out) override { out += std::exchange(Later_, {}); }
    uint8_t StatusByte() override { return 0x04; }
    void Release() {
        Waits_ = false;
        Later_ = "<released>\n";
        Resumed();
    }

private:
    std::vector<TEchoService*>& Alive_;
    bool Waits_ = false;
    std::string Later_;
};

// XDR words and opaque data, written and read without the server's code.
std::string Words(std::initializer_list<uint32_t> words) {
    std::string out;
    for (uint32_t w : words)
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(w >> shift & 0xFF);
    return out;
}
std::string Opaque(const std::string& bytes) {
    return Words({static_cast<uint32_t>(bytes.size())}) + bytes + std::string((4 - bytes.size() % 4) % 4, '\0');
}
struct TReader {
    std::string Bytes;
    std::size_t At = 0;
    uint32_t Word() {
        uint32_t w = 0;
        for (int i = 0; i < 4 && At < Bytes.size(); ++i) w = w << 8 | static_cast<unsigned char>(Bytes[At++]);
        return w;
    }
    std::string Data() {
        const uint32_t size = Word();
        std::string data = Bytes.substr(At, size);
        At += (size + 3) & ~3u;
        return data;
    }
};

// What a reply says: denied, or accepted with its status and results.
struct TReply {
    bool Denied = false;
    uint32_t Stat = 0;
    TReader Results;
};

class Vxi11Server : public testing::TestWithParam<TLoopKind> {
protected:
    void SetUp() override {
        Loop = GetParam().Make();
        if (auto* manual = dynamic_cast<TManualEventLoop*>(Loop.get())) manual->RealTime = true;  // I/O timeouts
        Server = std::make_unique<TVxi11Server>(*Loop, [this] { return std::make_unique<TEchoService>(Services); },
                                                TVxi11ServerLimits{.MaxLinks = 3});
        Server->OnNotice = [this](const std::string& text) { Notices.push_back(text); };
        ASSERT_TRUE(Server->Listen({{127, 0, 0, 1}, 0})) << Server->Error();
    }

    bool RunUntil(const std::function<bool()>& done, int seconds = 30) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done() && std::chrono::steady_clock::now() < giveUp) Loop->ProcessEvents(10);
        return done();
    }

    TTestSocket Connect() {
        TTestSocket client = TTestSocket::Connect(Server->Port());
        EXPECT_TRUE(RunUntil([&] { return Server->Clients() > Connected; }));
        ++Connected;
        return client;
    }

    // A whole record to the server, as the client's call header has it.
    void Send(TTestSocket& client, const std::string& message) {
        std::string record = Words({0x80000000u | static_cast<uint32_t>(message.size())}) + message;
        Pending.clear();
        ASSERT_TRUE(RunUntil([&] {
            const long long sent = client.Send(record);
            if (sent > 0) record.erase(0, static_cast<std::size_t>(sent));
            return sent < 0 || record.empty();
        }));
    }
    std::string CallMessage(uint32_t program, uint32_t version, uint32_t procedure, const std::string& args,
                            uint32_t rpcVersion = 2) {
        return Words({++Xid, 0, rpcVersion, program, version, procedure, 0, 0, 0, 0}) + args;
    }
    // The reply to the last call; Stat ~0 when none came.
    TReply Reply(TTestSocket& client, int seconds = 30) {
        TReply reply;
        reply.Stat = ~0u;
        if (!RunUntil(
                [&] {
                    Pending += client.Take();
                    if (Pending.size() < 4) return false;
                    TReader mark{Pending.substr(0, 4)};
                    return Pending.size() >= 4 + (mark.Word() & 0x7FFFFFFF);
                },
                seconds))
            return reply;
        TReader mark{Pending.substr(0, 4)};
        const std::size_t size = mark.Word() & 0x7FFFFFFF;
        TReader in{Pending.substr(4, size)};
        Pending.erase(0, 4 + size);
        EXPECT_EQ(in.Word(), Xid) << "the reply is to the call";
        EXPECT_EQ(in.Word(), 1u) << "a reply";
        reply.Denied = in.Word() == 1;
        if (reply.Denied) {
            reply.Results = {in.Bytes.substr(in.At)};
            return reply;
        }
        in.Word(), in.Data();  // the verifier
        reply.Stat = in.Word();
        reply.Results = {in.Bytes.substr(in.At)};
        return reply;
    }
    TReply Call(TTestSocket& client, uint32_t procedure, const std::string& args, uint32_t program = Core) {
        Send(client, CallMessage(program, 1, procedure, args));
        return Reply(client);
    }
    // create_link: its error, the link and what comes with it.
    std::vector<uint32_t> CreateLink(TTestSocket& client, const std::string& device, bool lock = false) {
        TReader r = Call(client, 10, Words({7, lock, 0}) + Opaque(device)).Results;
        return {r.Word(), r.Word(), r.Word(), r.Word()};
    }
    std::pair<uint32_t, uint32_t> Write(TTestSocket& client, uint32_t link, const std::string& data, uint32_t flags = End) {
        TReader r = Call(client, 11, Words({link, 1000, 0, flags}) + Opaque(data)).Results;
        return {r.Word(), r.Word()};
    }
    struct TRead {
        uint32_t Error, Reason;
        std::string Data;
        bool operator==(const TRead&) const = default;
    };
    void SendRead(TTestSocket& client, uint32_t link, uint32_t size, uint32_t ioTimeout, uint32_t flags, char term) {
        Send(client, CallMessage(Core, 1, 12, Words({link, size, ioTimeout, 0, flags, static_cast<uint8_t>(term)})));
    }
    TRead ReadReply(TTestSocket& client) {
        TReader r = Reply(client).Results;
        const uint32_t error = r.Word(), reason = r.Word();
        return {error, reason, r.Data()};
    }
    TRead Read(TTestSocket& client, uint32_t link, uint32_t size = 1000, uint32_t flags = 0, char term = '\n') {
        SendRead(client, link, size, 1000, flags, term);
        return ReadReply(client);
    }
    uint32_t Error(TTestSocket& client, uint32_t procedure, const std::string& args) {
        return Call(client, procedure, args).Results.Word();
    }

    std::unique_ptr<TEventLoop> Loop;
    std::vector<TEchoService*> Services;
    std::unique_ptr<TVxi11Server> Server;
    std::vector<std::string> Notices;
    std::size_t Connected = 0;
    uint32_t Xid = 0x1000;
    std::string Pending;
};

TEST_P(Vxi11Server, WritesAndReadsAsVisaMakesThem) {
    TTestSocket client = Connect();
    const std::vector<uint32_t> created = CreateLink(client, "inst0");
    EXPECT_EQ(created, (std::vector<uint32_t>{0, created[1], Server->Port(), 16 * 1024}))
        << "the abort channel on the same port, and the write size";
    const uint32_t link = created[1];
    ASSERT_EQ(Services.size(), 1u);

    struct TRow {
        std::vector<std::pair<std::string, uint32_t>> Writes;  // data, flags
        uint32_t Size;
        uint32_t Flags;
        char Term;
        std::vector<TRead> Reads;
    };
    const std::vector<TRow> rows = {
        {{{"a\n", End}}, 1000, 0, '\n', {{0, EndReason, "<a>\n"}, {15, 0, ""}}},
        {{{"b", End}}, 1000, 0, '\n', {{0, EndReason, "<b>\n"}}},  // END ends the message
        {{{"c", 0}, {"d\r\n", End}}, 1000, 0, '\n', {{0, EndReason, "<cd>\n"}}},
        {{{"x\ny\n#quiet\n", End}}, 1000, 0, '\n', {{0, EndReason, "<x>\n"}, {0, EndReason, "<y>\n"}, {15, 0, ""}}},
        {{{"BIG 10\n", End}}, 4, 0, '\n', {{0, ReqCnt, "bbbb"}, {0, ReqCnt, "bbbb"}, {0, EndReason, "bb\n"}}},
        {{{"t,u\n", End}}, 1000, TermCharSet, ',', {{0, Chr, "<t,"}, {0, EndReason, "u>\n"}}},
        {{{"#nothing to say\n", End}}, 1000, 0, '\n', {{15, 0, ""}}},
    };
    for (const TRow& row : rows) {
        for (const auto& [data, flags] : row.Writes)
            EXPECT_EQ(Write(client, link, data, flags), std::make_pair(0u, static_cast<uint32_t>(data.size())));
        for (const TRead& expected : row.Reads)
            EXPECT_EQ(Read(client, link, row.Size, row.Flags, row.Term), expected) << row.Writes[0].first;
    }

    // The status byte: the service's, with MAV while an answer waits.
    EXPECT_EQ(Write(client, link, "s\n").first, 0u);
    TReader stb = Call(client, 13, Words({link, 0, 0, 1000})).Results;
    const uint32_t stbError = stb.Word();
    EXPECT_EQ(stbError, 0u);
    EXPECT_EQ(stb.Word(), 0x14u);
    // device_clear: the unread answer is gone.
    EXPECT_EQ(Error(client, 15, Words({link, 0, 0, 1000})), 0u);
    EXPECT_EQ(Read(client, link), (TRead{15, 0, ""}));

    // A read whose answer comes later waits for it, within its I/O timeout.
    EXPECT_EQ(Write(client, link, "WAIT\n").first, 0u);
    SendRead(client, link, 1000, 100, 0, '\n');
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadReply(client), (TRead{15, 0, ""})) << "the I/O timeout ends the wait";
    EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    SendRead(client, link, 1000, 10000, 0, '\n');
    Loop->ProcessEvents(20);
    ASSERT_EQ(Services.size(), 1u);
    Services[0]->Release();
    EXPECT_EQ(ReadReply(client), (TRead{0, EndReason, "<released>\n"}));

    EXPECT_EQ(Error(client, 23, Words({link})), 0u) << "destroy_link";
    EXPECT_TRUE(Services.empty()) << "the link's service goes with it";
    EXPECT_EQ(Write(client, link, "a\n").first, 4u) << "a destroyed link is invalid";
}

TEST_P(Vxi11Server, RefusesWhatItCannotDo) {
    TTestSocket a = Connect();
    TTestSocket b = Connect();
    EXPECT_EQ(CreateLink(a, "gpib0,5")[0], 3u) << "the one device is inst0";
    const uint32_t first = CreateLink(a, "INST0")[1];
    const uint32_t second = CreateLink(b, "inst0")[1];
    EXPECT_EQ(Write(b, first, "a\n").first, 4u) << "another connection's link";
    EXPECT_EQ(Read(a, 999).Error, 4u);

    EXPECT_EQ(Error(a, 18, Words({first, 0, 0})), 0u) << "device_lock";
    EXPECT_EQ(Write(b, second, "a\n").first, 11u) << "locked by another link";
    EXPECT_EQ(Read(b, second).Error, 11u);
    EXPECT_EQ(Error(b, 18, Words({second, 0, 0})), 11u);
    EXPECT_EQ(CreateLink(b, "inst0", true)[0], 11u) << "a link asking for the lock";
    EXPECT_EQ(Error(b, 19, Words({second})), 12u) << "no lock held by this link";
    EXPECT_EQ(Error(a, 19, Words({first})), 0u);
    EXPECT_EQ(Write(b, second, "a\n").first, 0u) << "unlocked";
    EXPECT_EQ(CreateLink(b, "inst0")[0], 0u);
    EXPECT_EQ(CreateLink(b, "inst0")[0], 9u) << "past the links' bound";

    EXPECT_EQ(Error(a, 14, Words({first, 0, 0, 1000})), 8u) << "device_trigger";
    EXPECT_EQ(Error(a, 20, Words({first, 1}) + Opaque("handle")), 8u) << "device_enable_srq on";
    EXPECT_EQ(Error(a, 20, Words({first, 0}) + Opaque("handle")), 0u) << "and off";
    EXPECT_EQ(Error(a, 16, Words({first, 0, 0, 1000})), 0u) << "device_remote";

    // The RPC layer's own answers.
    struct TRpcRow {
        std::string Name;
        std::string Message;
        bool Denied;
        uint32_t Stat;
        std::vector<uint32_t> Results;
    };
    const std::vector<TRpcRow> rpc = {
        {"another program", CallMessage(100000, 2, 3, ""), false, 1, {}},
        {"another version", CallMessage(Core, 3, 10, ""), false, 2, {1, 1}},
        {"no such procedure", CallMessage(Core, 1, 99, Words({first})), false, 3, {}},
        {"arguments cut short", CallMessage(Core, 1, 11, Words({first, 0})), false, 4, {}},
        {"RPC version 3", CallMessage(Core, 1, 10, "", 3), true, 0, {0, 2, 2}},
    };
    for (const TRpcRow& row : rpc) {
        Xid = TReader{row.Message.substr(0, 4)}.Word();
        Send(a, row.Message);
        TReply reply = Reply(a);
        EXPECT_EQ(reply.Denied, row.Denied) << row.Name;
        if (!row.Denied) {
            EXPECT_EQ(reply.Stat, row.Stat) << row.Name;
        }
        for (uint32_t word : row.Results) EXPECT_EQ(reply.Results.Word(), word) << row.Name;
    }

    // A record past the bound is a broken peer: it goes, its links with it.
    const std::size_t links = Server->Links();
    Send(a, std::string(20 * 1024, 'x'));
    EXPECT_TRUE(RunUntil([&] { return Server->Clients() == 1; }));
    EXPECT_EQ(Server->Links(), links - 1);
    // One that closes: the same.
    b.Close();
    EXPECT_TRUE(RunUntil([&] { return Server->Clients() == 0; }));
    EXPECT_EQ(Server->Links(), 0u);
    EXPECT_TRUE(Services.empty());
}

TEST_P(Vxi11Server, TheAbortChannelEndsAWaitingRead) {
    TTestSocket core = Connect();
    TTestSocket abort = Connect();
    const uint32_t link = CreateLink(core, "inst0")[1];
    EXPECT_EQ(Write(core, link, "WAIT\n").first, 0u);
    SendRead(core, link, 1000, 20000, 0, '\n');
    Loop->ProcessEvents(20);
    const uint32_t readXid = Xid;
    Send(abort, CallMessage(AbortChannel, 1, 1, Words({link})));
    EXPECT_EQ(Reply(abort).Results.Word(), 0u) << "device_abort";
    Xid = readXid;
    EXPECT_EQ(ReadReply(core), (TRead{23, 0, ""}));
    Services.front()->Release();
    EXPECT_EQ(Read(core, link), (TRead{0, EndReason, "<released>\n"})) << "the answer stays for the next read";
}

INSTANTIATE_TEST_SUITE_P(Loops, Vxi11Server, testing::ValuesIn(test::LoopKinds()), test::LoopKindName);

}  // namespace
}  // namespace tavik::net
