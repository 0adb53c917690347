#include "cli_session.h"

#include <algorithm>
#include <chrono>

#include "cli_kinds.h"
#include "cli_output.h"
#include "common/errors.h"
#include "common/local_time.h"
#include "device/hid_device.h"

namespace tavik::cli {

namespace {

std::string Names(const std::vector<TInstrumentKind>& kinds) {
    if (kinds.size() == InstrumentKindCount) return "module";
    std::string names;
    for (const TInstrumentKind kind : kinds) names += (names.empty() ? "" : " or ") + std::string(InfoOf(kind).Name);
    return names;
}

}  // namespace

TCliSession::TCliSession(THidPlatform& platform, TEventLoop& loop, char separator, TCliConsole& console)
    : Platform_(platform), Loop_(loop), Separator_(separator), Console_(console),
      Session_(platform, loop, separator, &Events_) {}

// On standard error always; with --json also as an event line of its own.
void TCliSession::TellAnswering(TInstrumentKind kind, bool answering) {
    Complain(AnsweringText(InfoOf(kind).Name, answering));
    if (Json_) Say(AnsweringLine(Time(), InfoOf(kind).Name, answering));
}

TCliSession::~TCliSession() {
    Session_.Instruments.Logger.StopRecording();
}

int TCliSession::Run(const TCommand& command) {
    Json_ = command.Json;
    int code = ExitUsage;
    try {
        switch (command.Verb) {
        case TVerb::Help:
        case TVerb::Version: code = ExitUsage; break;  // answered before a session is made
        case TVerb::List: code = List(command.Json); break;
        case TVerb::Watch: code = Watch(command); break;
        case TVerb::Measure: code = Measure(command); break;
        case TVerb::Record: code = Record(command); break;
        case TVerb::Log: code = Log(command); break;
        case TVerb::Logger: code = LoggerControl(command); break;
        case TVerb::Generator: code = GeneratorControl(command); break;
        case TVerb::Calibrate: code = Calibrate(command); break;
        case TVerb::RawRead:
        case TVerb::RawWrite: code = Raw(command); break;
        case TVerb::Serve:    // its own front-end: cli_serve
        case TVerb::Metrics:  // its own front-end: cli_metrics
        case TVerb::Publish:  // its own front-end: cli_mqtt
        case TVerb::Stats:    // no session: cli_lookback
        case TVerb::Plot: code = ExitUsage; break;
        }
    } catch (const EConvertError& error) {
        Complain(error.what());
        return ExitUsage;
    } catch (const std::exception& error) {
        Complain(error.what());
        return ExitTransfer;
    }
    return OutputFailed_ ? ExitTransfer : code;
}

void TCliSession::Say(const std::string& line) {
    if (!OutputFailed_ && !Console_.Say(line)) OutputFailed_ = true;
}

std::string TCliSession::Time() const { return IsoTimeText(LocalTimeNow()); }

int TCliSession::Await(const std::vector<TInstrumentKind>& kinds, double wait) {
    auto any = [&] {
        for (const TInstrumentKind kind : kinds)
            if (Session_.Usable(kind)) return true;
        return false;
    };
    // A module that arrives meanwhile is described (its factors read) before
    // the command goes on with it.
    auto described = [&] {
        for (const TInstrumentKind kind : kinds)
            if (Session_.Describing(kind)) return false;
        return any();
    };
    RunFor(wait, described);
    if (any()) {
        Session_.AwaitDescriptions();
        return ExitOk;
    }
    if (StopRequested()) return Interrupted();
    if (!TellMissingAccess(kinds)) Complain("no " + Names(kinds) + " is present");
    return ExitNoModule;
}

namespace {
// What helps where a module cannot be opened: on Linux the udev rule; Windows
// needs no rule, so there another program holds the module, or the device
// only looks like one.
#ifdef _WIN32
constexpr const char* NoAccessAdvice =
    " cannot be opened for reading and writing; another program has it open (close that program, or plug the"
    " module in again), or it is not one of these modules";
#else
constexpr const char* NoAccessAdvice =
    " cannot be opened for reading and writing; the udev rule 60-tavik.rules gives the logged-in user access"
    " (install it, then plug the module in again)";
#endif
}  // namespace

bool TCliSession::TellMissingAccess(const std::vector<TInstrumentKind>& kinds) {
    bool told = false;
    for (std::size_t i = 0; i < Session_.Controller->Count(); ++i) {
        THidDevice& device = Session_.Controller->Device(i);
        if (!HasInstrumentIds(device) || device.HasReadWriteAccess()) continue;
        const auto kind = KindOfProduct(device.ProductString());
        if (!kind || std::find(kinds.begin(), kinds.end(), *kind) == kinds.end()) continue;
        Complain(device.PnPInfo().DevicePath + ": the " + InfoOf(*kind).Name + NoAccessAdvice);
        told = true;
    }
    return told;
}

void TCliSession::RunFor(std::optional<double> seconds, const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    while (!StopRequested() && !OutputFailed_ && !(done && done())) {
        if (seconds && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(*seconds)) break;
        Loop_.ProcessEvents(20);
    }
}


}  // namespace tavik::cli
