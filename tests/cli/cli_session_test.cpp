// tavik-cli's commands over simulated modules on the in-memory platform: what
// reaches the modules, byte by byte, what is printed, and the exit codes.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include "cli/cli_console.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "tests/support/instrument_harness.h"

namespace tavik::cli {
namespace {

class TTestConsole : public TCliConsole {
public:
    std::vector<std::string> Out;
    std::vector<std::string> Err;
    std::function<void(const std::string&)> OnSay;
    bool Say(const std::string& text) override {
        Out.push_back(text);
        if (OnSay) OnSay(text);
        return true;
    }
    void Complain(const std::string& line) override { Err.push_back(line); }
    std::size_t OutWith(const std::string& part) const {
        std::size_t n = 0;
        for (const std::string& line : Out) n += line.find(part) != std::string::npos;
        return n;
    }
};

class CliSession : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    TTestConsole Console;

    void SetUp() override {
        M.Loop.RealTime = true;
        ClearStopRequest();
    }
    void TearDown() override { ClearStopRequest(); }

    int Run(const std::vector<std::string>& arguments) {
        const TParsed parsed = ParseCommandLine(arguments);
        EXPECT_EQ(parsed.Error, "");
        Console.Out.clear();
        Console.Err.clear();
        TCliSession session(M.Platform, M.Loop, ',', Console);
        return session.Run(parsed.Command);
    }
};

TEST_F(CliSession, NothingPresentOrNoAccessIsSaidNotSilent) {
    EXPECT_EQ(Run({"list"}), ExitOk);
    EXPECT_EQ(Console.Err, std::vector<std::string>{"no module is present"});
    EXPECT_EQ(Run({"watch"}), ExitNoModule) << "not a watch of nothing for ever";
    EXPECT_EQ(Console.Err, std::vector<std::string>{"no module is present"});
    EXPECT_EQ(Run({"measure"}), ExitNoModule);
    EXPECT_EQ(Console.Err, std::vector<std::string>{"no logger or freqmeter is present"});
    EXPECT_EQ(Run({"watch", "--module", "freqmeter"}), ExitNoModule);
    EXPECT_EQ(Console.Err, std::vector<std::string>{"no freqmeter is present"});

    // A node that opens with no access: bound, but nothing can be sent.
    auto device = std::make_shared<sim::TSimulatedDevice>(std::make_shared<sim::TLoggerSimulator>());
    device->RefuseReadWrite = true;
    M.Platform.Plug(device);
#ifdef _WIN32
    const std::string access =
        "mem:1: the logger cannot be opened for reading and writing; another program has it open (close that "
        "program, or plug the module in again), or it is not one of these modules";
#else
    const std::string access =
        "mem:1: the logger cannot be opened for reading and writing; the udev rule 60-tavik.rules gives the "
        "logged-in user access (install it, then plug the module in again)";
#endif
    EXPECT_EQ(Run({"list"}), ExitOk);
    EXPECT_EQ(Console.Out, std::vector<std::string>{"logger  \"VXLogger\"  \"tavik.example\"  mem:1  no access  bound  "
                                                    "k1 = 1,000000  k2 = 1,000000"});
    EXPECT_EQ(Console.Err, std::vector<std::string>{access});
    for (const std::vector<std::string>& line : {std::vector<std::string>{"calibrate", "logger", "5"},
                                                  {"watch", "--module", "logger"}, {"record"}}) {
        EXPECT_EQ(Run(line), ExitNoModule) << line[0];
        EXPECT_EQ(Console.Err, std::vector<std::string>{access}) << line[0];
    }
}

TEST_F(CliSession, ASignalWhileWaitingIsAnInterruptionAndEndsAWatchWell) {
    RequestStop(SIGINT);
    EXPECT_EQ(Run({"calibrate", "logger", "5", "--wait", "30"}), ExitSignalBase + SIGINT);
    EXPECT_TRUE(Console.Err.empty()) << "the module is not said to be missing";
#ifdef SIGHUP
    RequestStop(SIGHUP);
    EXPECT_EQ(Run({"record", "--wait", "30"}), ExitSignalBase + SIGHUP);
#endif
    RequestStop(SIGTERM);
    EXPECT_EQ(Run({"record", "--wait", "30"}), ExitSignalBase + SIGTERM);
    M.PlugLogger();
    EXPECT_EQ(Run({"watch"}), ExitOk) << "a watch's normal end";
}

TEST_F(CliSession, WatchPrintsAReadingOnlyWhenTheModuleSentOne) {
    const auto logger = M.PlugLogger();
    // The logger falls silent after its first reading is shown.
    Console.OnSay = [&](const std::string& line) {
        if (line.find("V1 = ") != std::string::npos) logger->FailReads = 1 << 30;
    };
    EXPECT_EQ(Run({"watch", "--seconds", "1,3"}), ExitOk);
    EXPECT_EQ(Console.OutWith("  logger  bound"), 1u);
    EXPECT_EQ(Console.OutWith("V1 = "), 1u) << "the last volts are not shown again with a new time";

    Console.OnSay = nullptr;
    logger->FailReads = 0;
    const auto meter = M.PlugFrequencyMeter();
    meter->RawCount = 5000;
    M.Notify();
    EXPECT_EQ(Run({"watch", "--count", "3", "--module", "freqmeter"}), ExitOk);
    ASSERT_EQ(Console.Out.size(), 4u) << "the binding, then three readings";
    EXPECT_NE(Console.Out[0].find("  freqmeter  bound"), std::string::npos);
    for (std::size_t i = 1; i < 4; ++i) EXPECT_NE(Console.Out[i].find("  freqmeter  5000 Гц  5 кГц"), std::string::npos) << Console.Out[i];
}

TEST_F(CliSession, MeasurePrintsOneFreshReadingOfEach) {
    const auto logger = M.PlugLogger();
    logger->Csr = 0;
    logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    const auto meter = M.PlugFrequencyMeter();
    meter->RawCount = 123456;
    meter->InputIn = true;
    std::size_t reportsBefore = 0;
    std::size_t reportsAtLine = 0;
    Console.OnSay = [&](const std::string& line) {
        if (line.find("logger") != std::string::npos) reportsAtLine = logger->Answered.size();
    };
    EXPECT_EQ(Run({"measure", "--json"}), ExitOk);
    ASSERT_EQ(Console.Out.size(), 2u);
    EXPECT_EQ(Console.OutWith("\"v1_text\":\"V1 = 3,766 В\",\"v2_text\":\"V2 = 1,883 В\""), 1u);
    EXPECT_EQ(Console.OutWith("\"hz\":123456,\"result\":\"123,5 кГц\",\"in\":true"), 1u);
    EXPECT_GE(reportsAtLine - reportsBefore, 8u + 5u) << "eight factor reads, then five measurements of its own";

    EXPECT_EQ(Run({"measure", "meter"}), ExitOk);
    ASSERT_EQ(Console.Out.size(), 1u);
    EXPECT_NE(Console.Out[0].find("  freqmeter  123456 Гц  123,5 кГц  IN"), std::string::npos);
}

TEST_F(CliSession, TheModulesGetTheWindowsFrames) {
    const auto generator = M.PlugGenerator();
    const auto logger = M.PlugLogger();
    EXPECT_EQ(Run({"generator", "--out3-level", "1"}), ExitOk);
    EXPECT_EQ(Run({"generator", "--out2-freq", "1000Hz"}), ExitOk);
    EXPECT_EQ(Console.Out[0], "out2: 1000Hz -> 1,01E+3 (1007,080 Hz)");
    EXPECT_EQ(Run({"generator", "--out1-freq", "8.25E+6", "--out1-level", "1"}), ExitOk);
    EXPECT_EQ(Run({"raw", "write", "$1234", "$2C"}), ExitOk);
    EXPECT_EQ(Run({"raw", "read", "0x1234"}), ExitOk);
    EXPECT_EQ(Console.Out, std::vector<std::string>{"44"});
    // Each command runs in a new session, as each tavik-cli run does: the
    // sequence number starts again at 1.
    std::vector<std::string> frames;
    for (const TFrame& frame : generator->Received) frames.push_back(test::Hex(frame));
    EXPECT_EQ(frames, (std::vector<std::string>{
                          "02 01 10 00 00 00 00 EF",  // as checking Канал 3 in a new window
                          "02 01 20 89 10 1F 00 27",  // out2's nearest entry
                          "02 01 04 42 01 00 00 B8",  // out1's first entry, high
                          "04 01 34 12 2C 00 00 8D",
                          "03 01 34 12 00 00 00 B9",
                      }));
    EXPECT_EQ(generator->Memory[0x1234], 0x2C);
    generator->FailReads = 1;
    EXPECT_EQ(Run({"raw", "read", "1"}), ExitTransfer);
    generator->FailSends = 1;
    EXPECT_EQ(Run({"raw", "read", "1"}), ExitTransfer) << "a request not taken, whatever the read gives";

    logger->Received.clear();
    EXPECT_EQ(Run({"logger", "--peak", "on"}), ExitOk) << "the others as in a new window: 10 bit, channel 1";
    const auto control = logger->ReceivedWithCode(2);
    ASSERT_EQ(control.size(), 1u);
    EXPECT_EQ(test::Hex(control[0]).substr(0, 8), "02 09 04") << "after the eight factor reads";
    EXPECT_EQ(logger->Csr, 0x04);
}

TEST_F(CliSession, CalibrationSaysWhichFactorWasWrittenRefusedOrLost) {
    // 10 bit, channel 1 at 3,766 V; channel 2 at 3,766 V or 1,883 V.
    const auto logger = M.PlugLogger();
    logger->Csr = 0;
    const auto meter = M.PlugFrequencyMeter();
    meter->RawCount = 100000;
    const struct {
        std::vector<std::string> Line;
        uint8_t Channel2Sample;
        std::function<void()> OnBefore;  // a fault once the factors before are printed
        int Exit;
        std::vector<std::string> Written, Err;
    } cases[] = {
        {{"calibrate", "logger", "4"}, 0x02, nullptr, ExitOk, {"written: channel 1", "written: channel 2"}, {}},
        {{"calibrate", "logger", "4"}, 0x01, nullptr, ExitUsage, {"written: channel 1"},
         {"refused: channel 2: the factor would be 2,1244, outside 0,75 to 1,25"}},
        {{"calibrate", "logger", "1,6"}, 0x01, nullptr, ExitUsage, {"written: channel 2"},
         {"refused: channel 1: the factor would be 0,4249, outside 0,75 to 1,25"}},
        {{"calibrate", "logger", "4"}, 0x02, [&] { logger->FailSends = 1; }, ExitTransfer, {"written: channel 2"},
         {"channel 1: the factor 1,062205 was not written: SetFeature: the device refused the report"}},
        {{"calibrate", "logger", "4"}, 0x02, [&] { logger->ZeroReads = 1000; }, ExitTransfer, {},
         {"channel 1: the factor 1,062205 reads back as 0,000000", "channel 2: the factor 1,062205 reads back as 0,000000"}},
        {{"calibrate", "freqmeter", "100500"}, 0x02, [&] { meter->FailSends = 1; }, ExitTransfer, {},
         {"the factor 1,005000 was not written: SetFeature: the device refused the report"}},
        {{"calibrate", "freqmeter", "200000"}, 0x02, nullptr, ExitUsage, {},
         {"refused: frequency: the factor would be 2,0000, outside 0,75 to 1,25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Line));
        logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, c.Channel2Sample};
        logger->Memory.StoreFloat(16, 1.0f);
        logger->Memory.StoreFloat(20, 1.0f);
        logger->ZeroReads = 0;
        meter->Memory.StoreFloat(16, 1.0f);
        Console.OnSay = [&](const std::string& line) {
            if (line.starts_with("before:") && c.OnBefore) c.OnBefore();
        };
        EXPECT_EQ(Run(c.Line), c.Exit);
        std::vector<std::string> written;
        for (const std::string& line : Console.Out)
            if (line.starts_with("written:")) written.push_back(line);
        EXPECT_EQ(written, c.Written);
        ASSERT_EQ(Console.Err.size(), c.Err.size());
        for (std::size_t i = 0; i < c.Err.size(); ++i) EXPECT_TRUE(Console.Err[i].starts_with(c.Err[i])) << Console.Err[i];
    }
    // The rule keeps the logger's memory untouched when its inputs are too low.
    logger->FixedSamples = std::array<uint8_t, 4>{0, 0, 0, 0};
    logger->Received.clear();
    Console.OnSay = nullptr;
    EXPECT_EQ(Run({"calibrate", "logger", "5"}), ExitUsage);
    EXPECT_TRUE(logger->ReceivedWithCode(6).empty()) << "nothing written";
    EXPECT_EQ(Console.Err, (std::vector<std::string>{"refused: channel 1: the measurement, 0,000 V, is below 1,5 V",
                                                     "refused: channel 2: the measurement, 0,000 V, is below 1,5 V"}));
}

TEST_F(CliSession, RecordWritesTheWindowsLines) {
    const auto logger = M.PlugLogger();
    logger->Csr = 0;
    logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    EXPECT_EQ(Run({"record", "--seconds", "0,4", "--dir", M.Folder.string()}), ExitOk);
    const auto files = M.RecordFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(Console.Out, std::vector<std::string>{files[0].string()});
    const std::string content = test::TSimulatedModules::ReadFile(files[0]);
    ASSERT_GE(content.size(), 47u);
    EXPECT_NE(content.find(";24;3,766;1,000;1,883;1,000\r\n"), std::string::npos);
    EXPECT_EQ(content.size() % 47, 0u) << "whole lines only";
}

}  // namespace
}  // namespace tavik::cli
