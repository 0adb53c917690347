#pragma once
// tavik-cli's command line, read into one command. Nothing here touches a
// module or the system: every value is checked, so that a line that cannot be
// a command gives its one-line reason at once, before any module is waited for.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "log_until.h"
#include "net/broker_url.h"
#include "net/listen_address.h"
#include "device/instrument_identity.h"

namespace tavik::cli {

// Exit codes; a signal that ends a command before it has done its work gives
// ExitSignalBase + the signal's number (130 for Ctrl-C).
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;      // a usage error, or a calibration a rule refuses
constexpr int ExitNoModule = 2;   // the module is not present, or not open to us
constexpr int ExitTransfer = 3;   // an I/O or transfer failure, standard output included
constexpr int ExitSignalBase = 128;

enum class TVerb { Help, Version, List, Watch, Measure, Record, Logger, Generator, Calibrate, RawRead, RawWrite, Serve, Log, Stats, Plot, Metrics, Publish };

// One generator output's settings as given; unset ones take the window's
// start-up state.
struct TOutputOptions {
    std::optional<bool> FromGenerator;     // --outN gen|pc
    std::optional<bool> High;              // --outN-level 0|1
    std::optional<std::string> Frequency;  // --outN-freq F, as typed
    int FreqIndex = -1;                    // the entry of the output's list it names
    bool Nearest = false;                  // given in hertz: the nearest entry

    bool operator==(const TOutputOptions&) const = default;
};

struct TCommand {
    TVerb Verb = TVerb::Help;
    std::optional<TVerb> HelpTopic;  // help for one command
    bool Demo = false;               // --demo: simulated modules in memory
    bool Json = false;
    std::optional<double> Seconds;   // watch, record: how long
    std::optional<int64_t> Count;    // watch: how many readings
    // watch --module, measure KIND: only that module's readings.
    std::optional<TInstrumentKind> Module;
    double Wait = 0;                 // --wait: how long to wait for the module
    std::string Directory;           // record, log --dir
    // log
    double Every = 0;                // --every: seconds an interval, 0 one row per report;
                                     //   publish, serve --mqtt: 1 unless given
    std::string Rotate = "daily";    // --rotate daily|hourly, or SIZE:
    long long RotateBytes = 0;       //   a new file before this many bytes
    std::optional<TUntilTime> Until;
    double SyncSeconds = 5;          // --sync
    int IdleSeconds = 3600;          // serve --idle: a client silent this long is closed; 0 never
    // stats, plot
    std::vector<std::string> Files;
    std::string Output;              // plot -o
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
    float Volts = 0;
    int32_t Hertz = 0;
    // raw
    uint16_t Address = 0;
    uint8_t Data = 0;
    // serve
    net::TListenAddress Listen;
    // serve --metrics, metrics --listen: where the metrics endpoint listens
    // (metrics: 127.0.0.1:9464 unless given).
    std::optional<net::TListenAddress> Metrics;
    // serve --mqtt, publish: the broker, and who we are to it
    std::optional<net::TBrokerUrl> Mqtt;
    std::string MqttUser;
    std::string MqttPasswordFile;  // else TAVIK_MQTT_PASSWORD
    std::string MqttCa;            // mqtts: the broker's CA; else the system's
    std::string MqttTopic;         // the topics' prefix; empty: tavik/HOST

    bool operator==(const TCommand&) const = default;
};

struct TParsed {
    TCommand Command;
    std::string Error;  // empty when the command line is good

    bool operator==(const TParsed&) const = default;
};

TParsed ParseCommandLine(const std::vector<std::string>& arguments);

// What the command names outside itself, checked before any module is waited
// for: the recording folder. Empty when it is usable.
std::string CheckFolders(const TCommand& command);

}  // namespace tavik::cli
