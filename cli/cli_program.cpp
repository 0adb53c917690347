#include "cli_program.h"

#include <csignal>

#include "cli_help.h"
#include "cli_lookback.h"
#include "cli_metrics.h"
#include "cli_mqtt.h"
#include "cli_options.h"
#include "cli_serve.h"
#include "cli_session.h"
#include "demo_platform.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "unknown"
#endif

namespace tavik::cli {

namespace {
extern "C" void OnSignal(int signal) { RequestStop(signal); }

// SIGHUP (the terminal closed) ends a command as Ctrl-C does; a closed pipe
// is a failed write, told and ended, not a silent death.
void CatchSignals() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnSignal);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}
}  // namespace

int RunCli(const std::vector<std::string>& arguments, const TSystemServices& system, TCliConsole& console) {
    const TParsed parsed = ParseCommandLine(arguments);
    const TCommand& command = parsed.Command;
    if (!parsed.Error.empty()) {
        console.Complain(parsed.Error);
        return ExitUsage;
    }
    if (command.Verb == TVerb::Help || command.Verb == TVerb::Version) {
        std::string text = command.Verb == TVerb::Help ? HelpText(command.HelpTopic) : "tavik-cli " TAVIK_VERSION;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return console.Say(text) ? ExitOk : ExitTransfer;
    }
    if (command.Verb == TVerb::Stats) return RunStats(command, console);
    if (command.Verb == TVerb::Plot) return RunPlot(command, console);
    if (const std::string refusal = CheckFolders(command); !refusal.empty()) {
        console.Complain(refusal);
        return ExitUsage;
    }
    CatchSignals();
    if (command.Demo) {
        TDemoPlatform demo;
        if (command.Verb == TVerb::Serve) return Serve(demo.Platform, demo.Loop, command, console);
        if (command.Verb == TVerb::Metrics) return ServeMetrics(demo.Platform, demo.Loop, command, console);
        if (command.Verb == TVerb::Publish) return PublishReadings(demo.Platform, demo.Loop, command, console);
        TCliSession session(demo.Platform, demo.Loop, system.DecimalSeparator, console);
        return session.Run(command);
    }
    const std::unique_ptr<TEventLoop> loop = system.MakeLoop();
    const std::unique_ptr<THidPlatform> platform = system.MakePlatform(*loop);
    if (!platform || !platform->Available()) {
        console.Complain("the system's HID services could not be opened");
        return ExitTransfer;
    }
    if (command.Verb == TVerb::Serve) return Serve(*platform, *loop, command, console);
    if (command.Verb == TVerb::Metrics) return ServeMetrics(*platform, *loop, command, console);
    if (command.Verb == TVerb::Publish) return PublishReadings(*platform, *loop, command, console);
    TCliSession session(*platform, *loop, system.DecimalSeparator, console);
    return session.Run(command);
}

}  // namespace tavik::cli
