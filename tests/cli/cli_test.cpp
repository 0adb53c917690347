// tavik-cli: its command line, its lines, and commands run over simulated
// modules on the in-memory platform.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "tests/support/instrument_harness.h"

namespace tavik::cli {
namespace {

TCommand Parse(std::vector<std::string> arguments) {
    const TParsed parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.Error, "");
    return parsed.Command;
}

std::string Refusal(std::vector<std::string> arguments) { return ParseCommandLine(arguments).Error; }

TEST(CliOptions, CommandsAndTheirOptions) {
    EXPECT_EQ(Parse({"--help"}).Verb, TVerb::Help);
    EXPECT_TRUE(Parse({"list", "--json"}).Json);
    const TCommand watch = Parse({"watch", "--seconds", "2.5", "--json"});
    EXPECT_EQ(watch.Seconds, 2.5);
    const TCommand record = Parse({"record", "--dir", "/tmp", "--wait", "3"});
    EXPECT_EQ(record.Directory, "/tmp");
    EXPECT_EQ(record.Wait, 3.0);
    const TCommand logger = Parse({"logger", "--mode", "8bit", "--peak", "on", "--channel", "2"});
    EXPECT_EQ(logger.EightBit, true);
    EXPECT_EQ(logger.Channel, 2);
    const TCommand generator = Parse({"generator", "--out1", "pc", "--out1-freq", "8,25E+6", "--out3-level", "1"});
    EXPECT_EQ(generator.Out1.FromGenerator, false);
    EXPECT_EQ(generator.Out1.Frequency, "8,25E+6");
    EXPECT_EQ(generator.Out3High, true);
    const TCommand calibrate = Parse({"calibrate", "freqmeter", "100000"});
    EXPECT_FALSE(calibrate.CalibrateLogger);
    EXPECT_EQ(calibrate.Reference, "100000");
    const TCommand write = Parse({"raw", "write", "$10", "7"});
    EXPECT_EQ(write.Verb, TVerb::RawWrite);
    EXPECT_EQ(write.Data, "7");
    EXPECT_EQ(Parse({"raw", "read", "16"}).Verb, TVerb::RawRead);
}

TEST(CliOptions, UsageErrorsSayWhatIsWrongInOneLine) {
    EXPECT_EQ(Refusal({}), "a command is needed (tavik-cli --help lists them)");
    EXPECT_EQ(Refusal({"fly"}), "unknown command fly");
    EXPECT_EQ(Refusal({"watch", "--seconds"}), "--seconds needs a value");
    EXPECT_EQ(Refusal({"watch", "--seconds", "soon"}), "bad value for --seconds: soon");
    EXPECT_EQ(Refusal({"list", "--dir", "x"}), "unknown option --dir for list");
    EXPECT_EQ(Refusal({"logger", "--mode", "12bit"}), "bad value for --mode: 12bit");
    EXPECT_EQ(Refusal({"calibrate", "meter", "5"}), "calibrate takes logger or freqmeter, not meter");
    EXPECT_EQ(Refusal({"raw", "write", "1"}), "raw write needs ADDR and DATA");
    EXPECT_EQ(Refusal({"generator", "--out1", "gen", "--out2-freq", "1000Hz"}),
              "one report carries one output's source and frequency: give --out1 or --out2 settings, not both");
    EXPECT_EQ(Refusal({"list", "extra"}), "unexpected argument extra");
}

TEST(CliOutput, TextAndJsonLines) {
    const TVoltmeter v{3.841, std::nullopt, "V1 = 3,841 В", "V2 = NA"};
    EXPECT_EQ(LoggerLine("T", v, false), "T  logger  V1 = 3,841 В  V2 = NA");
    EXPECT_EQ(LoggerLine("T", v, true),
              "{\"time\":\"T\",\"module\":\"logger\",\"v1\":3.841,\"v2\":null,\"v1_text\":\"V1 = 3,841 В\",\"v2_text\":\"V2 = NA\"}");
    EXPECT_EQ(FrequencyLine("T", {100000, "100 кГц", true}, false), "T  freqmeter  100000 Гц  100 кГц  IN");
    EXPECT_EQ(FrequencyLine("T", {-1, "-1 Гц", false}, true),
              "{\"time\":\"T\",\"module\":\"freqmeter\",\"hz\":-1,\"result\":\"-1 Гц\",\"in\":false}");
    EXPECT_EQ(EventLine("T", "generator", false, true), "{\"time\":\"T\",\"module\":\"generator\",\"event\":\"unbound\"}");
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    TListEntry entry{"unknown", "wrong manufacturer", "VXLogger", "acme", "/dev/hidraw3", true, false, {}};
    EXPECT_EQ(ListLine(entry, false, ','), "unknown (wrong manufacturer)  \"VXLogger\"  \"acme\"  /dev/hidraw3  read/write");
    entry = {"logger", "", "VXLogger", "tavik.example", "/dev/hidraw0", true, true, {{"k1", 1.25f}}};
    EXPECT_EQ(ListLine(entry, true, ','),
              "{\"kind\":\"logger\",\"product\":\"VXLogger\",\"manufacturer\":\"tavik.example\",\"path\":\"/dev/hidraw0\","
              "\"read_write\":true,\"bound\":true,\"k1\":1.25}");
}

// Commands over simulated modules: what reaches them, and the exit codes.
class CliSession : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    std::shared_ptr<sim::TGeneratorSimulator> Generator = M.PlugGenerator();
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger();
    int Run(std::vector<std::string> arguments) {
        const TParsed parsed = ParseCommandLine(arguments);
        EXPECT_EQ(parsed.Error, "");
        M.Loop.RealTime = true;
        TCliSession session(M.Platform, M.Loop, ',');
        return session.Run(parsed.Command);
    }
};

TEST_F(CliSession, TheGeneratorGetsTheWindowsFrameAndRawAccessWorks) {
    EXPECT_EQ(Run({"generator", "--out3-level", "1"}), ExitOk);
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(test::Hex(Generator->Received[0]), "02 01 10 00 00 00 00 EF") << "as checking Канал 3 in a new window";
    EXPECT_EQ(Run({"generator", "--out2-freq", "1000Hz"}), ExitOk);
    EXPECT_EQ(test::Hex(Generator->Received.back()).substr(0, 8), "02 01 20") << "out2's frequency, nearest entry";
    EXPECT_EQ(Run({"generator", "--out1-freq", "8.25E+6"}), ExitOk);
    EXPECT_EQ(test::Hex(Generator->Received.back()), "02 01 00 42 01 00 00 BC");
    EXPECT_EQ(Run({"generator", "--out1-freq", "7E+9"}), ExitUsage);
    EXPECT_EQ(Run({"raw", "write", "$1234", "300"}), ExitOk);
    EXPECT_EQ(Generator->Memory[0x1234], 0x2C);
    EXPECT_EQ(Run({"raw", "read", "12a"}), ExitUsage);
    Generator->FailReads = 1;
    EXPECT_EQ(Run({"raw", "read", "1"}), ExitTransfer);
}

TEST_F(CliSession, CalibrationRefusedWithTheRuleAndModulesThatAreMissing) {
    // The simulated logger's inputs are at 0 V: the averages are too low.
    EXPECT_EQ(Run({"calibrate", "logger", "5"}), ExitUsage);
    EXPECT_TRUE(Logger->ReceivedWithCode(6).empty()) << "nothing written";
    EXPECT_EQ(Run({"calibrate", "freqmeter", "100000"}), ExitNoModule);
    EXPECT_EQ(Run({"logger", "--mode", "8bit", "--peak", "on"}), ExitOk);
    EXPECT_EQ(Logger->Csr, 0x06);
}

TEST_F(CliSession, RecordWritesTheWindowsLines) {
    Logger->Csr = 0;
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    EXPECT_EQ(Run({"record", "--seconds", "0.4", "--dir", M.Folder.string()}), ExitOk);
    const auto files = M.RecordFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string content = test::TSimulatedModules::ReadFile(files[0]);
    ASSERT_GE(content.size(), 47u);
    EXPECT_NE(content.find(";24;3,766;1,000;1,883;1,000\r\n"), std::string::npos);
    EXPECT_EQ(content.size() % 47, 0u) << "whole lines only";
}

}  // namespace
}  // namespace tavik::cli
