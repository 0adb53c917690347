#pragma once
// tavik-cli's commands over the instrument core: the same binding, rules and
// files as the window, driven from the terminal through whichever event loop
// the front-end gives it. One file a family of commands: cli_list,
// cli_readings (watch, measure, record), cli_log, cli_settings (logger, generator,
// raw) and cli_calibrate.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_console.h"
#include "cli_options.h"
#include "common/event_loop.h"
#include "instruments/instrument_session.h"
#include "stop_request.h"

namespace tavik::cli {

class TCliSession {
public:
    // separator: the decimal separator of the number texts, as the window's.
    TCliSession(THidPlatform& platform, TEventLoop& loop, char separator, TCliConsole& console);
    ~TCliSession();

    // Runs one command to its end; returns the exit code. The command line
    // has been checked (ParseCommandLine, CheckFolders).
    int Run(const TCommand& command);

private:
    int List(bool json);
    int Watch(const TCommand& command);
    int Measure(const TCommand& command);
    int Record(const TCommand& command);
    int Log(const TCommand& command);
    int LoggerControl(const TCommand& command);
    int GeneratorControl(const TCommand& command);
    int Calibrate(const TCommand& command);
    int CalibrateLogger(float volts);
    int CalibrateFrequencyMeter(int32_t hertz);
    int Raw(const TCommand& command);

    // Runs the event loop until one of the kinds is usable or `wait` seconds
    // are over; 0 then, else the exit code, with the reason told.
    int Await(const std::vector<TInstrumentKind>& kinds, double wait);
    // Runs the event loop for `seconds` (for ever without), until a signal,
    // until output fails, or until `done` says so.
    void RunFor(std::optional<double> seconds, const std::function<bool()>& done = nullptr);
    int Interrupted() const { return ExitSignalBase + StopRequested(); }
    // The nodes of our modules of those kinds that we may not write; each is
    // told with the way to mend it. True when there was one.
    bool TellMissingAccess(const std::vector<TInstrumentKind>& kinds);
    void Say(const std::string& line);
    void Complain(const std::string& line) { Console_.Complain(line); }
    std::string Time() const;
    // A subscriber that tells of an arrival's failure, even in the start-up
    // pass, and of a module that stops answering or answers again.
    TSessionSubscriber ArrivalComplaints() {
        TSessionSubscriber subscriber;
        subscriber.ArrivalFailed = [this](const std::string& reason) { Complain(reason); };
        subscriber.Answering = [this](TInstrumentKind kind, bool answering) { TellAnswering(kind, answering); };
        return subscriber;
    }
    void TellAnswering(TInstrumentKind kind, bool answering);
    bool Json_ = false;  // the command's --json

    THidPlatform& Platform_;
    TEventLoop& Loop_;
    char Separator_;
    TCliConsole& Console_;
    bool OutputFailed_ = false;
    // What this session hears; a command sets what its readings do (a kind
    // is polled only while its readings are listened to).
    TSessionSubscriber Events_ = ArrivalComplaints();
    TInstrumentSession Session_;
};

}  // namespace tavik::cli
