#pragma once
// tavik-cli's command line, read into one command. Nothing here touches a
// module: a line that cannot be a command gives the one-line reason instead.
#include <optional>
#include <string>
#include <vector>

namespace tavik::cli {

// Exit codes.
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;      // a usage error, or a calibration a rule refuses
constexpr int ExitNoModule = 2;   // the module is not present
constexpr int ExitTransfer = 3;   // an I/O or transfer failure

enum class TVerb { Help, List, Watch, Record, Logger, Generator, Calibrate, RawRead, RawWrite };

// One generator output's settings as given; unset ones keep the window's
// start-up state.
struct TOutputOptions {
    std::optional<bool> FromGenerator;  // --outN gen|pc
    std::optional<bool> High;           // --outN-level 0|1
    std::optional<std::string> Frequency;  // --outN-freq F
};

struct TCommand {
    TVerb Verb = TVerb::Help;
    bool Json = false;
    std::optional<double> Seconds;  // watch, record: how long
    double Wait = 0;                // --wait: how long to wait for the module
    std::string Directory;          // record --dir
    // logger
    std::optional<bool> EightBit;
    std::optional<bool> Peak;
    std::optional<int> Channel;
    // generator
    TOutputOptions Out1;
    TOutputOptions Out2;
    std::optional<bool> Out3High;
    // calibrate
    bool CalibrateLogger = true;  // else the frequency meter
    std::string Reference;        // VOLTS or HZ as typed
    // raw
    std::string Address;
    std::string Data;
};

struct TParsed {
    TCommand Command;
    std::string Error;  // empty when the command line is good
};

TParsed ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const UsageText;

}  // namespace tavik::cli
