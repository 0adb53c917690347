// tavik-cli as a user runs it: the built program, with no modules (every bad
// line must be refused before one is looked for) or with --demo, its exit
// codes, its standard output parsed as JSON under Russian and C locales, and
// what it does when its output cannot be written or its terminal hangs up.
// TAVIK_CLI_UNDER_TEST and TAVIK_CLI_EMULATOR run the same tests against
// another build of the program, tavik-cli.exe under Wine among them.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "common/number_text.h"
#include "tests/support/json_value.h"
#include "tests/support/simulated_modules.h"

extern char** environ;

namespace tavik::cli {
namespace {

struct TExit {
    int Code = -1;
    std::string Out;
    std::string Err;
};

enum class TStdout { Pipe, DevFull, ClosedPipe };

std::string Setting(const char* variable, const char* built) {
    const char* given = std::getenv(variable);
    return given && *given ? given : built;
}
const std::string Program = Setting("TAVIK_CLI_UNDER_TEST", TAVIK_CLI_PROGRAM);
const std::string Emulator = Setting("TAVIK_CLI_EMULATOR", TAVIK_TEST_EMULATOR);
// A Windows console program ends its lines with CR LF.
const bool WindowsProgram = Program.size() > 4 && Program.substr(Program.size() - 4) == ".exe";

std::string UnixLines(std::string text) {
    if (!WindowsProgram) return text;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

// The program started with its standard output and error read back, in the
// locale given (LC_ALL and LANG, the rest of the environment kept).
class TChild {
public:
    TChild(const std::vector<std::string>& arguments, const std::string& locale = "C.UTF-8",
           TStdout out = TStdout::Pipe) {
        std::vector<std::string> argv;
        if (!Emulator.empty()) argv.push_back(Emulator);
        argv.push_back(Program);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG=", 0) != 0 && entry.rfind("LANGUAGE=", 0) != 0)
                env.push_back(entry);
        }
        env.push_back("LC_ALL=" + locale);
        env.push_back("LANG=" + locale);
        env.push_back("WINE_RUN_RAW=1");  // the program's own bytes and signals

        // Close-on-exec: the child keeps only the ends put on 1 and 2.
        int outPipe[2], errPipe[2];
        EXPECT_EQ(::pipe2(outPipe, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(errPipe, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (out == TStdout::DevFull) posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
        else posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        // A reader that is gone: the read end is closed before the first write.
        if (out != TStdout::Pipe) ::close(outPipe[0]);
        std::vector<char*> rawArgv, rawEnv;
        for (std::string& a : argv) rawArgv.push_back(a.data());
        for (std::string& e : env) rawEnv.push_back(e.data());
        rawArgv.push_back(nullptr);
        rawEnv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&Pid_, rawArgv[0], &actions, nullptr, rawArgv.data(), rawEnv.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        Out_ = out == TStdout::Pipe ? outPipe[0] : -1;
        Err_ = errPipe[0];
    }
    ~TChild() {
        if (Pid_ > 0 && !Waited_) {
            ::kill(Pid_, SIGKILL);
            ::waitpid(Pid_, nullptr, 0);
        }
        if (Out_ >= 0) ::close(Out_);
        if (Err_ >= 0) ::close(Err_);
    }

    // The next line of standard output, without its end; empty at its end.
    std::string ReadLine() {
        std::size_t end;
        while ((end = Result_.Out.find('\n', Taken_)) == std::string::npos && Pump()) {
        }
        if (end == std::string::npos) return {};
        std::string line = Result_.Out.substr(Taken_, end - Taken_);
        Taken_ = end + 1;
        if (WindowsProgram && !line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    void Signal(int signal) { ::kill(Pid_, signal); }

    TExit Finish() {
        while (Pump()) {
        }
        int status = 0;
        ::waitpid(Pid_, &status, 0);
        Waited_ = true;
        Result_.Out = UnixLines(Result_.Out);
        Result_.Err = UnixLines(Result_.Err);
        Result_.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return Result_;
    }

private:
    // Reads what the streams have; false once both have ended.
    bool Pump() {
        pollfd fds[2] = {{Out_, POLLIN, 0}, {Err_, POLLIN, 0}};
        if (Out_ < 0 && Err_ < 0) return false;
        if (::poll(fds, 2, -1) < 0) return errno == EINTR;
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? Out_ : Err_;
            if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0) (i == 0 ? Result_.Out : Result_.Err).append(buffer, static_cast<std::size_t>(got));
            else ::close(fd), fd = -1;
        }
        return Out_ >= 0 || Err_ >= 0;
    }

    pid_t Pid_ = -1;
    int Out_ = -1;
    int Err_ = -1;
    bool Waited_ = false;
    TExit Result_;
    std::size_t Taken_ = 0;
};

TExit RunProgram(const std::vector<std::string>& arguments, const std::string& locale = "C.UTF-8",
          TStdout out = TStdout::Pipe) {
    return TChild(arguments, locale, out).Finish();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CliProcess, BadLinesAreRefusedAtOnceWithTheirReason) {
    const struct {
        std::vector<std::string> Line;
        const char* Message;
    } cases[] = {
        {{}, "a command is needed (tavik-cli --help lists them)"},
        {{"fly"}, "unknown command fly (tavik-cli --help lists the commands)"},
        {{"help", "fly"}, "unknown command fly (tavik-cli --help lists the commands)"},
        // Values are checked before any module is waited for.
        {{"calibrate", "logger", "abc", "--wait", "30"}, "calibrate logger: not a voltage: abc (such as 5,0 or 5.0)"},
        {{"calibrate", "logger", "5,0.1"}, "calibrate logger: not a voltage: 5,0.1 (such as 5,0 or 5.0)"},
        {{"calibrate", "logger", "1,2"}, "calibrate logger: the reference is below 1,5 V"},
        {{"calibrate", "freqmeter", "1.5", "--wait", "30"}, "calibrate freqmeter: not a whole number of hertz: 1.5"},
        {{"calibrate", "meter", "800"}, "calibrate freqmeter: the reference is below 900 Hz"},
        {{"calibrate", "generator", "5"}, "calibrate takes logger or freqmeter, not generator"},
        {{"calibrate", "logger"}, "calibrate needs logger VOLTS or freqmeter HZ"},
        {{"raw", "read", "zz", "--wait", "30"}, "raw: ADDR is not an integer: zz"},
        {{"raw", "write", "$10", "300"}, "raw: DATA must be from 0 to 255 ($FF), not 300"},
        {{"raw", "write", "$10000", "1"}, "raw: ADDR must be from 0 to 65535 ($FFFF), not $10000"},
        {{"raw", "write", "--", "-1", "5"}, "raw: ADDR must be from 0 to 65535 ($FFFF), not -1"},
        {{"raw", "write", "1"}, "raw write needs ADDR and DATA"},
        {{"raw", "peek", "1"}, "raw needs read ADDR or write ADDR DATA"},
        {{"generator", "--out1-freq", "bogus", "--wait", "30"},
         "bad value for --out1-freq: 'bogus' (a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz)"},
        {{"generator", "--out1-freq", ""},
         "bad value for --out1-freq: '' (a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz)"},
        {{"generator", "--out2-freq", "-5Hz"},
         "bad value for --out2-freq: '-5Hz' (a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz)"},
        {{"generator", "--out1-freq", "7E+9"},
         "bad value for --out1-freq: '7E+9' (a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz)"},
        {{"generator", "--out1", "gen", "--out2-freq", "1000Hz"},
         "one report carries one output's source and frequency: give --out1 or --out2 settings, not both"},
        {{"generator", "--out1", "pc", "--out1-freq", "1000Hz"}, "--out1 pc takes no frequency: --out1-freq goes with --out1 gen"},
        // A call sets every output or setting: one with none is a slip.
        {{"generator"}, "generator needs an output's setting: each call sets every output (tavik-cli help generator)"},
        {{"logger"}, "logger needs --mode, --peak or --channel: each call sets all three (tavik-cli help logger)"},
        {{"logger", "--mode", "12bit"}, "bad value for --mode: '12bit' (10bit or 8bit)"},
        {{"record", "--dir", "/nonexistent", "--wait", "30"}, "record --dir: no folder /nonexistent"},
        {{"record", "--dir", "--seconds", "5"}, "--dir needs a value, not the option --seconds (--dir=VALUE takes any)"},
        {{"log", "--dir", "/nonexistent"}, "log --dir: no folder /nonexistent"},
        {{"log", "--seconds", "5", "--until", "18:00"}, "log takes --seconds or --until, not both"},
        {{"log", "--rotate", "weekly"}, "bad value for --rotate: 'weekly' (daily, hourly or a size such as 100M (at least 64K))"},
        {{"log", "--rotate", "1K"}, "bad value for --rotate: '1K' (daily, hourly or a size such as 100M (at least 64K))"},
        {{"log", "--until", "25:00"}, "bad value for --until: '25:00' (a local time such as 18:30 or 2026-12-24T08:00:00)"},
        {{"log", "--every", "0"}, "bad value for --every: '0' (seconds from 0,05 to 86400, such as 10)"},
        {{"log", "--sync", "0,1"}, "bad value for --sync: '0,1' (seconds from 0,25 to 3600, such as 5)"},
        {{"log", "--wait", "3"}, "log takes no --wait option (tavik-cli help log lists its options)"},
        {{"stats"}, "stats needs a recording's FILE"},
        {{"plot", "a.csv"}, "plot needs -o FILE.svg"},
        {{"plot", "a.csv", "--json"}, "plot takes no --json option (tavik-cli help plot lists its options)"},
        {{"watch", "--seconds"}, "--seconds needs a value"},
        {{"watch", "--seconds", "soon"}, "bad value for --seconds: 'soon' (seconds above 0, such as 10 or 2,5)"},
        {{"watch", "--seconds=0"}, "bad value for --seconds: '0' (seconds above 0, such as 10 or 2,5)"},
        {{"watch", "--count", "0"}, "bad value for --count: '0' (a whole number of readings, 1 or more)"},
        {{"serve", "--idle", "-5"}, "bad value for --idle: '-5' (whole seconds from 0 (never) to 604800, such as 3600)"},
        {{"watch", "--module", "generator"}, "bad value for --module: 'generator' (logger or freqmeter)"},
        {{"watch", "--jsn"}, "unknown option --jsn (tavik-cli help watch lists its options)"},
        {{"logger", "--json"}, "logger takes no --json option (tavik-cli help logger lists its options)"},
        {{"list", "--wait", "3"}, "list takes no --wait option (tavik-cli help list lists its options)"},
        {{"list", "extra"}, "unexpected argument extra for list"},
        {{"measure", "generator"}, "measure takes logger or freqmeter, not generator"},
        {{"--json", "list"}, "--json goes after the command"},
        {{"--demo=yes", "list"}, "--demo takes no value"},
        {{"publish"}, "publish needs --mqtt mqtt://HOST[:PORT]"},
        {{"publish", "--mqtt", "tcp://broker"},
         "bad value for --mqtt: 'tcp://broker' (a broker such as mqtt://localhost, mqtt://10.0.0.5:1883 or "
         "mqtts://broker.lab:8883)"},
        {{"serve", "--mqtt-topic", "lab"}, "--mqtt-user, --mqtt-password-file, --mqtt-ca and --mqtt-topic go with --mqtt"},
        {{"serve", "--every", "5"}, "serve takes --every with --mqtt"},
        {{"publish", "--mqtt", "mqtt://b", "--mqtt-password-file", "p"}, "--mqtt-password-file goes with --mqtt-user"},
        {{"publish", "--mqtt", "mqtt://b", "--mqtt-ca", "ca.pem"}, "--mqtt-ca goes with an mqtts:// broker"},
        {{"publish", "--mqtt", "mqtt://b", "--mqtt-topic", "lab/+/x"},
         "bad value for --mqtt-topic: 'lab/+/x' (a topic such as tavik/bench3: no +, # or empty level, not starting "
         "with $)"},
    };
    for (const auto& c : cases) {
        const TExit exit = RunProgram(c.Line);
        EXPECT_EQ(exit.Code, 1) << ::testing::PrintToString(c.Line);
        EXPECT_EQ(exit.Err, std::string("tavik-cli: ") + c.Message + "\n") << ::testing::PrintToString(c.Line);
        EXPECT_EQ(exit.Out, "");
    }
}

TEST(CliProcess, HelpAndVersionGoToStandardOutput) {
    const TExit version = RunProgram({"-V"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "tavik-cli " TAVIK_VERSION "\n");
    for (const std::vector<std::string>& line : {std::vector<std::string>{"list", "-h"}, {"help", "list"}, {"list", "--help"}}) {
        const TExit help = RunProgram(line);
        EXPECT_EQ(help.Code, 0);
        EXPECT_EQ(help.Out.substr(0, 31), "usage: tavik-cli list [--json]\n") << line[1];
    }
}

// A time stamp with its offset from UTC.
const std::regex IsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");

// Every line is one JSON object; the numbers are numbers and the texts show
// them with the locale's separator.
void CheckJsonLines(const std::string& output, char separator, std::size_t& loggerLines, std::size_t& meterLines) {
    for (const std::string& line : Lines(output)) {
        std::string error;
        const auto value = test::ParseJson(line, &error);
        ASSERT_TRUE(value) << error << ": " << line;
        ASSERT_EQ(value->Kind, test::TJsonValue::TKind::Object) << line;
        if (const auto* kind = value->Find("kind")) {
            if (kind->String != "logger") continue;
            for (const char* factor : {"k1", "k2"}) {
                ASSERT_TRUE(value->Find(factor)) << line;
                EXPECT_EQ(value->Find(factor)->Number, 1.0) << line;
            }
            continue;
        }
        const test::TJsonValue* time = value->Find("time");
        ASSERT_TRUE(time && time->Kind == test::TJsonValue::TKind::String) << line;
        EXPECT_TRUE(std::regex_match(time->String, IsoTime)) << line;
        const std::string module = value->Find("module")->String;
        if (value->Find("event")) continue;
        if (module == "logger") {
            ++loggerLines;
            for (const char* channel : {"1", "2"}) {
                const test::TJsonValue* volts = value->Find(std::string("v") + channel);
                ASSERT_TRUE(volts && volts->Kind == test::TJsonValue::TKind::Number) << line;
                EXPECT_EQ(value->Find(std::string("v") + channel + "_text")->String,
                          std::string("V") + channel + " = " + FixedText(volts->Number, 5, 3, separator) + " В")
                    << line;
            }
        } else {
            ASSERT_EQ(module, "freqmeter") << line;
            ++meterLines;
            EXPECT_EQ(value->Find("hz")->Number, 100000) << line;
            EXPECT_EQ(value->Find("result")->String, "100 кГц") << line;
            EXPECT_TRUE(value->Find("in")->Bool) << line;
        }
    }
}

TEST(CliProcess, JsonLinesParseUnderRussianAndCLocales) {
    // Where ru_RU.UTF-8 is not generated the C library falls back to "C"
    // without a word, and this test would pass whatever the program does.
    FILE* locales = ::popen("locale -a", "r");
    ASSERT_NE(locales, nullptr);
    std::string names;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, locales)) names += buffer;
    ::pclose(locales);
    ASSERT_NE(names.find("ru_RU.utf8\n"), std::string::npos)
        << "ru_RU.UTF-8 is not generated here: scripts/install-deps.sh generates it";

    for (const auto& [locale, separator] : {std::pair{"ru_RU.UTF-8", ','}, std::pair{"C", '.'}}) {
        SCOPED_TRACE(locale);
        std::size_t loggerLines = 0, meterLines = 0;
        const TExit list = RunProgram({"--demo", "list", "--json"}, locale);
        EXPECT_EQ(list.Code, 0);
        EXPECT_EQ(Lines(list.Out).size(), 3u);
        CheckJsonLines(list.Out, separator, loggerLines, meterLines);

        const TExit watch = RunProgram({"--demo", "watch", "--json", "--count", "3"}, locale);
        EXPECT_EQ(watch.Code, 0) << watch.Err;
        EXPECT_EQ(Lines(watch.Out).size(), 3u + 3u) << "three bindings, three readings";
        CheckJsonLines(watch.Out, separator, loggerLines, meterLines);
        EXPECT_EQ(loggerLines + meterLines, 3u);

        const TExit measure = RunProgram({"--demo", "measure", "--json"}, locale);
        EXPECT_EQ(measure.Code, 0) << measure.Err;
        CheckJsonLines(measure.Out, separator, loggerLines, meterLines);
        EXPECT_GE(loggerLines, 1u);
        EXPECT_EQ(loggerLines + meterLines, 5u) << "one reading of each";
    }
}

TEST(CliProcess, OutputThatCannotBeWrittenIsAnError) {
    const TExit full = RunProgram({"--help"}, "C.UTF-8", TStdout::DevFull);
    EXPECT_EQ(full.Code, 3);
    const TExit gone = RunProgram({"--demo", "watch", "--json"}, "C.UTF-8", TStdout::ClosedPipe);
    EXPECT_EQ(gone.Code, 3);
    if (WindowsProgram) {
        // In the system's words, which depend on its language: one line.
        for (const TExit* exit : {&full, &gone}) {
            EXPECT_EQ(exit->Err.rfind("tavik-cli: standard output: ", 0), 0u) << exit->Err;
            EXPECT_EQ(std::count(exit->Err.begin(), exit->Err.end(), '\n'), 1) << exit->Err;
        }
        return;
    }
    EXPECT_EQ(full.Err, "tavik-cli: standard output: No space left on device\n");
    EXPECT_EQ(gone.Err, "tavik-cli: standard output: Broken pipe\n");
}

TEST(CliProcess, AHangUpEndsARecordingWithWholeLines) {
    test::TSimulatedModules folder;  // only its private folder
    TChild record({"--demo", "record", "--dir", folder.Folder.string()});
    std::string path = record.ReadLine();
    ASSERT_FALSE(path.empty());
    // A Windows program joins the folder we gave and its file with its own separator.
    if (WindowsProgram) std::replace(path.begin(), path.end(), '\\', '/');
    // Until two lines are down (a program under Wine starts slowly).
    for (int i = 0; i < 200; ++i) {
        const std::string written = test::TSimulatedModules::ReadFile(path);
        if (std::count(written.begin(), written.end(), '\n') >= 2) break;
        ::usleep(50 * 1000);
    }
    ::usleep(100 * 1000);
    // Wine turns SIGINT into the console's Ctrl-C.
    record.Signal(WindowsProgram ? SIGINT : SIGHUP);
    const TExit exit = record.Finish();
    EXPECT_EQ(exit.Code, 0) << exit.Err;
    const std::string content = test::TSimulatedModules::ReadFile(path);
    const std::regex line(R"(\d{8};\d{9};24;\d\.\d{3};1\.000;\d\.\d{3};1\.000)");
    std::size_t lines = 0;
    for (std::size_t start = 0, end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2, ++lines)
        EXPECT_TRUE(std::regex_match(content.substr(start, end - start), line)) << content.substr(start, end - start);
    EXPECT_GE(lines, 2u);
    EXPECT_EQ(content.size() >= 2 ? content.substr(content.size() - 2) : "", "\r\n") << "the last line whole";
}

}  // namespace
}  // namespace tavik::cli
