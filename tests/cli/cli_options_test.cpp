// tavik-cli's command line as it is read: what each good line becomes, and
// the help that must fit a terminal. Bad lines are run as a process
// (cli_process_test.cpp): their exit codes are what a user sees.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "cli/cli_help.h"
#include "cli/cli_options.h"
#include "instruments/generator/frequency_tables.h"

namespace tavik::cli {
namespace {

TCommand Parse(const std::vector<std::string>& arguments) {
    const TParsed parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.Error, "") << ::testing::PrintToString(arguments);
    return parsed.Command;
}

TEST(CliOptions, GoodLinesInEveryForm) {
    using K = TInstrumentKind;
    const struct {
        std::vector<std::string> Line;
        std::function<void(const TCommand&)> Check;
    } cases[] = {
        {{"--demo", "watch", "--json", "--seconds", "2,5", "--count", "3", "--module", "meter"},
         [](const TCommand& c) {
             EXPECT_TRUE(c.Demo && c.Json);
             EXPECT_EQ(c.Seconds, 2.5);
             EXPECT_EQ(c.Count, 3);
             EXPECT_EQ(c.Module, K::FrequencyMeter);
         }},
        {{"watch", "--seconds=0.25", "--demo"}, [](const TCommand& c) { EXPECT_EQ(c.Seconds, 0.25); EXPECT_TRUE(c.Demo); }},
        {{"--wait", "1,5", "record", "--dir=--odd"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Wait, 1.5);
             EXPECT_EQ(c.Directory, "--odd");
         }},
        {{"log", "--dir", "d", "--every", "0,5", "--rotate", "100M", "--until", "18:30", "--sync", "2"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Verb, TVerb::Log);
             EXPECT_EQ(c.Every, 0.5);
             EXPECT_EQ(c.RotateBytes, 100LL << 20);
             EXPECT_EQ(c.Until->Hour, 18);
             EXPECT_EQ(c.SyncSeconds, 2);
         }},
        {{"log", "--rotate=hourly", "--seconds", "60"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Rotate, "hourly");
             EXPECT_EQ(c.RotateBytes, 0);
             EXPECT_EQ(c.Every, 0);
             EXPECT_EQ(c.SyncSeconds, 5);
         }},
        {{"plot", "a.csv", "b.csv", "-o", "p.svg"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Files, (std::vector<std::string>{"a.csv", "b.csv"}));
             EXPECT_EQ(c.Output, "p.svg");
         }},
        {{"stats", "--json", "a.csv"}, [](const TCommand& c) { EXPECT_TRUE(c.Json); EXPECT_EQ(c.Verb, TVerb::Stats); }},
        {{"measure"}, [](const TCommand& c) { EXPECT_EQ(c.Verb, TVerb::Measure); EXPECT_FALSE(c.Module); }},
        {{"measure", "freqmeter", "--json"}, [](const TCommand& c) { EXPECT_EQ(c.Module, K::FrequencyMeter); }},
        {{"logger", "--peak", "on"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Peak, true);
             EXPECT_FALSE(c.EightBit || c.Channel);
         }},
        {{"calibrate", "logger", "5,0"}, [](const TCommand& c) { EXPECT_EQ(c.Volts, 5.0f); EXPECT_TRUE(c.CalibrateLogger); }},
        {{"calibrate", "logger", "5.0"}, [](const TCommand& c) { EXPECT_EQ(c.Volts, 5.0f); }},
        {{"calibrate", "meter", "$186A0"},
         [](const TCommand& c) {
             EXPECT_FALSE(c.CalibrateLogger);
             EXPECT_EQ(c.Hertz, 100000);
         }},
        {{"raw", "write", "$FFFF", "255"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Verb, TVerb::RawWrite);
             EXPECT_EQ(c.Address, 0xFFFF);
             EXPECT_EQ(c.Data, 255);
         }},
        {{"raw", "read", "--", "0"}, [](const TCommand& c) { EXPECT_EQ(c.Verb, TVerb::RawRead); EXPECT_EQ(c.Address, 0); }},
        // A label typed with either separator names the same entry; hertz the nearest.
        {{"generator", "--out1-freq", "8,25E+6", "--out1-level", "1"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Out1.FreqIndex, 0);
             EXPECT_FALSE(c.Out1.Nearest);
             EXPECT_EQ(c.Out1.High, true);
         }},
        {{"generator", "--out1-freq", "8.25E+6"}, [](const TCommand& c) { EXPECT_EQ(c.Out1.FreqIndex, 0); }},
        {{"generator", "--out2-freq=1000Hz", "--out3-level", "1"},
         [](const TCommand& c) {
             EXPECT_TRUE(c.Out2.Nearest);
             generator::TFreqTable table;
             const std::size_t count = generator::BuildFrequencyTable(generator::OUT2Groups(), table);
             ASSERT_GE(c.Out2.FreqIndex, 0);
             ASSERT_LT(static_cast<std::size_t>(c.Out2.FreqIndex), count);
             const double chosen = table[static_cast<std::size_t>(c.Out2.FreqIndex)].Frequency;
             for (std::size_t i = 0; i < count; ++i)
                 EXPECT_LE(std::abs(chosen - 1000), std::abs(table[i].Frequency - 1000.0)) << i;
         }},
        // Readings go out once a second unless asked otherwise; mqtts on 8883.
        {{"publish", "--mqtt", "mqtts://broker.lab", "--mqtt-user", "bench", "--mqtt-password-file", "pw",
          "--mqtt-ca", "ca.pem", "--mqtt-topic", "lab/bench3"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Verb, TVerb::Publish);
             EXPECT_EQ(c.Mqtt, (net::TBrokerUrl{true, "broker.lab", 8883}));
             EXPECT_EQ(c.Every, 1);
             EXPECT_EQ(c.MqttUser + c.MqttPasswordFile + c.MqttCa + c.MqttTopic, "benchpwca.pemlab/bench3");
         }},
        {{"serve", "--mqtt=mqtt://10.0.0.5:1884", "--every", "5"},
         [](const TCommand& c) {
             EXPECT_EQ(c.Mqtt, (net::TBrokerUrl{false, "10.0.0.5", 1884}));
             EXPECT_EQ(c.Every, 5);
         }},
        {{"serve"}, [](const TCommand& c) { EXPECT_FALSE(c.Mqtt); EXPECT_EQ(c.Every, 0); EXPECT_EQ(c.IdleSeconds, 3600); }},
        {{"serve", "--idle", "0"}, [](const TCommand& c) { EXPECT_EQ(c.IdleSeconds, 0); }},
        // Help for one command, however it is asked for; --version wins.
        {{"list", "-h"}, [](const TCommand& c) { EXPECT_EQ(c.HelpTopic, TVerb::List); }},
        {{"help", "watch"}, [](const TCommand& c) { EXPECT_EQ(c.HelpTopic, TVerb::Watch); }},
        {{"raw", "write", "1", "--help"}, [](const TCommand& c) { EXPECT_EQ(c.HelpTopic, TVerb::RawRead); }},
        {{"watch", "--jsn", "--help"}, [](const TCommand& c) { EXPECT_EQ(c.HelpTopic, TVerb::Watch); }},
        {{"--help"}, [](const TCommand& c) { EXPECT_EQ(c.Verb, TVerb::Help); EXPECT_FALSE(c.HelpTopic); }},
        {{"watch", "-V"}, [](const TCommand& c) { EXPECT_EQ(c.Verb, TVerb::Version); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Line));
        c.Check(Parse(c.Line));
    }
}

// Columns as a terminal counts them: code points, the Cyrillic ones included.
std::size_t Columns(const std::string& line) {
    std::size_t columns = 0;
    for (const char c : line) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return columns;
}

TEST(CliOptions, EachCommandsHelpFitsEightyColumnsAndNamesItsOptions) {
    const struct {
        std::optional<TVerb> Topic;
        std::vector<const char*> Mentions;
    } topics[] = {
        {std::nullopt, {"list", "watch", "measure", "record", "logger", "generator", "calibrate", "raw", "log", "stats", "plot", "--demo", "--wait",
                        "--version", "130"}},
        {TVerb::List, {"--json"}},
        {TVerb::Watch, {"--json", "--seconds", "--count", "--module", "--wait"}},
        {TVerb::Measure, {"--json", "--wait"}},
#ifdef _WIN32
        {TVerb::Record, {"--dir", "--seconds", "--wait", "Ctrl-Break, a closed console or the session's end"}},
#else
        {TVerb::Record, {"--dir", "--seconds", "--wait", "SIGHUP"}},
#endif
        {TVerb::Stats, {"FILE...", "--json", "Allan"}},
        {TVerb::Plot, {"FILE...", "-o", "--output"}},
        {TVerb::Log, {"--dir", "--every", "--rotate", "--seconds", "--until", "--sync", "hourly", ":00, :10"}},
        {TVerb::Logger, {"--mode", "--peak", "--channel", "each call sets all three"}},
        {TVerb::Generator, {"--out1", "--out1-level", "--out1-freq", "--out2", "--out3-level", "each\ncall sets every"}},
        {TVerb::Calibrate, {"VOLTS", "HZ", "5,0 or 5.0"}},
        {TVerb::RawRead, {"ADDR", "DATA", "65535", "255"}},
        {TVerb::Serve, {"--listen", "--metrics", "--idle", "--mqtt", "5025", "exit status 0"}},
        {TVerb::Metrics, {"--listen", "9464", "OpenMetrics", "exit status 0"}},
        {TVerb::Publish, {"--mqtt", "--every", "--mqtt-topic", "--mqtt-user", "--mqtt-password-file", "--mqtt-ca",
                          "TAVIK_MQTT_PASSWORD", "offline"}},
    };
    for (const auto& t : topics) {
        const std::string text = HelpText(t.Topic);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) EXPECT_LE(Columns(line), 80u) << line;
        for (const char* mention : t.Mentions) {
            std::string flat = text, wanted = mention;
            // A phrase may be wrapped anywhere.
            for (std::string* s : {&flat, &wanted})
                for (char& c : *s)
                    if (c == '\n') c = ' ';
            EXPECT_NE(flat.find(wanted), std::string::npos) << wanted << " in\n" << text;
        }
    }
}

}  // namespace
}  // namespace tavik::cli
