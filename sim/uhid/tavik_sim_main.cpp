// tavik-sim: the three modules as virtual USB HID devices through /dev/uhid,
// or with --usb as USB devices (configfs gadgets with FunctionFS, plugged into
// USB device controllers such as dummy_hcd's), answered by the same simulators
// the tests use. Needs root.
//
//   tavik-sim [--usb] [--logger N] [--generator N] [--freqmeter N] [--second-manufacturer]
//             [--signal1 SHAPE:LOW:HIGH:PERIOD] [--signal2 ...] [--count HZ] [--in]
//             [--replug KIND:AFTER:DOWN] [--factors K1:K2:KF] [--verbose]
//
// Without --logger/--generator/--freqmeter one of each is made. SHAPE is
// constant, ramp, sine or steps; volts and a period in reports. --replug
// unplugs the first module of KIND (logger, generator, freqmeter) AFTER seconds
// and plugs it in again DOWN seconds later. --factors stores calibration factors
// in the modules' memory: the logger's two channels and the frequency meter's
// (1 each without it). Lines on standard input steer it
// while it runs: "unplug KIND[N]", "plug KIND[N]", "count HZ", "in 0|1",
// "late KIND[N] MS" (a USB module answers its next request MS ms late),
// "hang KIND[N]" (the module answers no request) and "answer KIND[N]" (it
// answers again), "quit".
// Ctrl-C or SIGTERM destroys the devices and ends it.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/strict_number.h"
#include "device/instrument_identity.h"
#include "instruments/freqmeter/freqmeter_protocol.h"
#include "instruments/logger/logger_protocol.h"
#include "sim/demo_modules.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"
#include "sim/sim_command.h"
#include "sim/usb/usb_device.h"
#include "uhid_device.h"

namespace {

using namespace tavik::sim;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t Stop = 0;
void OnSignal(int) { Stop = 1; }

struct TOptions {
    int Loggers = 0;
    int Generators = 0;
    int Meters = 0;
    bool SecondManufacturer = false;
    TSignal Signal1 = DemoSignal1;
    TSignal Signal2 = DemoSignal2;
    int32_t Count = DemoCount;
    bool InputIn = false;
    std::string ReplugKind;
    double ReplugAfter = 0;
    double ReplugDown = 0;
    bool Verbose = false;
    bool Usb = false;
    float Factors[3] = {1.0f, 1.0f, 1.0f};
};

bool ParseSignal(const std::string& text, TSignal& signal) {
    std::istringstream in(text);
    std::string shape;
    std::string part;
    if (!std::getline(in, shape, ':')) return false;
    if (shape == "constant") signal.Shape = TSignal::TShape::Constant;
    else if (shape == "ramp") signal.Shape = TSignal::TShape::Ramp;
    else if (shape == "sine") signal.Shape = TSignal::TShape::Sine;
    else if (shape == "steps") signal.Shape = TSignal::TShape::Steps;
    else return false;
    double* volts[] = {&signal.Volts, &signal.HighVolts};
    for (double* target : volts) {
        if (!std::getline(in, part, ':')) return true;
        const auto value = tavik::ParseDecimal(part);
        if (!value) return false;
        *target = *value;
    }
    if (!std::getline(in, part, ':')) return true;
    const auto period = tavik::ParseWhole(part);
    if (!period || *period < 1 || *period > 1000000) return false;
    signal.Period = static_cast<int>(*period);
    return true;
}

// Empty when the options are good, else what is wrong with them.
std::string ParseOptions(int argc, char** argv, TOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--second-manufacturer") { o.SecondManufacturer = true; continue; }
        if (arg == "--in") { o.InputIn = true; continue; }
        if (arg == "--verbose") { o.Verbose = true; continue; }
        if (arg == "--usb") { o.Usb = true; continue; }
        // --meter: the frequency meter's first name here, still taken.
        const auto counted = arg.size() > 2 ? tavik::KindOfName(std::string_view(arg).substr(2)) : std::nullopt;
        int* modules = !counted                                        ? nullptr
                       : *counted == tavik::TInstrumentKind::Logger    ? &o.Loggers
                       : *counted == tavik::TInstrumentKind::Generator ? &o.Generators
                                                                       : &o.Meters;
        const bool takesValue = modules || arg == "--signal1" || arg == "--signal2" || arg == "--count" ||
                                arg == "--replug" || arg == "--factors";
        if (!takesValue) return "unknown option " + arg;
        if (i + 1 >= argc) return arg + " needs a value";
        const std::string value = argv[++i];
        const std::string bad = "bad value for " + arg + ": " + value;
        if (modules) {
            const auto count = tavik::ParseWhole(value);
            if (!count || *count < 0 || *count > 8) return bad;
            *modules = static_cast<int>(*count);
        } else if (arg == "--signal1" || arg == "--signal2") {
            if (!ParseSignal(value, arg == "--signal1" ? o.Signal1 : o.Signal2)) return bad;
        } else if (arg == "--factors") {
            std::istringstream in(value);
            std::string part;
            for (float& factor : o.Factors) {
                const auto number = std::getline(in, part, ':') ? tavik::ParseDecimal(part) : std::nullopt;
                if (!number) return bad;
                factor = static_cast<float>(*number);
            }
            if (std::getline(in, part)) return bad;
        } else if (arg == "--count") {
            const auto count = tavik::ParseWhole(value);
            if (!count || *count < INT32_MIN || *count > INT32_MAX) return bad;
            o.Count = static_cast<int32_t>(*count);
        } else {
            std::istringstream in(value);
            std::string after, down;
            std::string kind;
            std::getline(in, kind, ':');
            std::getline(in, after, ':');
            std::getline(in, down, ':');
            const auto replugged = tavik::KindOfName(kind);
            const auto afterSeconds = tavik::ParseDecimal(after);
            const auto downSeconds = tavik::ParseDecimal(down);
            if (!replugged || !afterSeconds || !downSeconds) return bad;
            o.ReplugKind = tavik::InfoOf(*replugged).Name;
            o.ReplugAfter = *afterSeconds;
            o.ReplugDown = *downSeconds;
        }
    }
    if (o.Loggers == 0 && o.Generators == 0 && o.Meters == 0) o.Loggers = o.Generators = o.Meters = 1;
    return {};
}

constexpr const char* Usage =
    "usage: tavik-sim [--usb] [--logger N] [--generator N] [--freqmeter N] [--second-manufacturer]\n"
    "                 [--signal1 SHAPE:LOW:HIGH:PERIOD] [--signal2 ...] [--count HZ] [--in]\n"
    "                 [--replug KIND:AFTER:DOWN] [--factors K1:K2:KF] [--verbose]\n"
    "SHAPE: constant, ramp, sine or steps (volts, period in reports);\n"
    "KIND: logger, generator, freqmeter (or meter).\n"
    "--usb: USB gadgets (configfs, FunctionFS, one device controller each) instead of uhid.\n"
    "Standard input: unplug KIND[N], plug KIND[N], count HZ, in 0|1, late KIND[N] MS,\n"
    "hang KIND[N], answer KIND[N], quit.\n";

class TSimulatorProgram {
public:
    explicit TSimulatorProgram(const TOptions& options) : Options_(options) {
        const std::u16string maker = options.SecondManufacturer ? u"www.tavik.example" : u"tavik.example";
        for (int i = 1; i <= options.Loggers; ++i) {
            auto logger = std::make_shared<TLoggerSimulator>(maker);
            logger->Channel1 = options.Signal1;
            logger->Channel2 = options.Signal2;
            logger->Memory.StoreFloat(tavik::logger::CalFactor1Address, options.Factors[0]);
            logger->Memory.StoreFloat(tavik::logger::CalFactor2Address, options.Factors[1]);
            Add(logger, "logger", i);
        }
        for (int i = 1; i <= options.Generators; ++i) Add(std::make_shared<TGeneratorSimulator>(maker), "generator", i);
        for (int i = 1; i <= options.Meters; ++i) {
            auto meter = std::make_shared<TFrequencyMeterSimulator>(maker);
            meter->RawCount = options.Count;
            meter->InputIn = options.InputIn;
            meter->Memory.StoreFloat(tavik::freqmeter::CalFactorAddress, options.Factors[2]);
            Meters_.push_back(meter);
            Add(meter, tavik::InfoOf(tavik::TInstrumentKind::FrequencyMeter).Name, i);
        }
    }

    bool PlugAll() {
        if (!Error_.empty()) {
            std::fprintf(stderr, "tavik-sim: %s\n", Error_.c_str());
            return false;
        }
        for (auto& device : Devices_)
            if (!Plug(*device)) return false;
        return true;
    }

    int Run() {
        const auto start = Clock::now();
        bool replugOut = false;
        bool replugBack = false;
        std::string line;
        std::printf("ready\n");
        std::fflush(stdout);
        while (!Stop) {
            std::vector<pollfd> fds;
            std::vector<TVirtualDevice*> owners;
            int timeout = 50;
            fds.push_back({StdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0});
            owners.push_back(nullptr);
            for (auto& device : Devices_) {
                if (device->Created()) {
                    fds.push_back({device->Fd(), POLLIN, 0});
                    owners.push_back(device.get());
                }
                if (const auto due = device->Due()) {
                    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
                    if (left < timeout) timeout = left < 0 ? 0 : static_cast<int>(left);
                }
            }
            if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
            for (auto& device : Devices_) device->Answer(Options_.Verbose);
            for (std::size_t i = 1; i < fds.size(); ++i)
                if (fds[i].revents & POLLIN) owners[i]->HandleEvent(Options_.Verbose);
            if (fds[0].revents & (POLLIN | POLLHUP)) ReadCommands();
            if (Quit_) break;
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            if (!Options_.ReplugKind.empty() && !replugOut && elapsed >= Options_.ReplugAfter) {
                replugOut = true;
                Command("unplug " + Options_.ReplugKind);
            }
            if (replugOut && !replugBack && elapsed >= Options_.ReplugAfter + Options_.ReplugDown) {
                replugBack = true;
                Command("plug " + Options_.ReplugKind);
            }
        }
        for (auto& device : Devices_) device->Destroy();
        std::printf("destroyed all devices\n");
        std::fflush(stdout);
        return 0;
    }

private:
    void Add(std::shared_ptr<TModuleSimulator> module, const std::string& kind, int index) {
        const std::string label = kind + std::to_string(index);
        if (!Options_.Usb) {
            Devices_.push_back(std::make_unique<TUhidDevice>(std::move(module), label));
            return;
        }
        // One controller per module: a controller carries one gadget.
        if (Controllers_.empty() && Error_.empty()) Controllers_ = TUsbGadget::Controllers(Error_);
        if (Devices_.size() >= Controllers_.size()) {
            if (Error_.empty()) Error_ = "no USB device controller left for " + label + " (dummy_hcd num=N makes N)";
            return;
        }
        Devices_.push_back(std::make_unique<TUsbDevice>(std::move(module), label, Controllers_[Devices_.size()]));
    }

    bool Plug(TVirtualDevice& device) {
        std::string error;
        if (!device.Create(error)) {
            std::fprintf(stderr, "tavik-sim: %s\n", error.c_str());
            return false;
        }
        std::printf("created %s \"%s\"\n", device.Label().c_str(), device.Name().c_str());
        std::fflush(stdout);
        return true;
    }

    TVirtualDevice* Find(const std::string& name) {
        for (auto& device : Devices_)
            if (device->Label() == name || device->Label() == name + "1") return device.get();
        return nullptr;
    }

    void ReadCommands() {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            StdinOpen_ = false;  // no more commands; run until a signal
            return;
        }
        Pending_.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = Pending_.find('\n')) != std::string::npos) {
            Command(Pending_.substr(0, end));
            Pending_.erase(0, end + 1);
        }
    }

    void Command(const std::string& line) {
        using TVerb = TSimCommand::TVerb;
        const TSimCommand command = ParseSimCommand(line);
        switch (command.Verb) {
        case TVerb::None: break;
        case TVerb::Quit: Quit_ = true; break;
        case TVerb::Error: std::fprintf(stderr, "tavik-sim: %s\n", command.Error.c_str()); break;
        case TVerb::Plug:
        case TVerb::Unplug:
        case TVerb::Hang:
        case TVerb::Answer:
        case TVerb::Late: {
            TVirtualDevice* device = Find(command.Module);
            if (!device) {
                std::fprintf(stderr, "tavik-sim: no module %s\n", command.Module.c_str());
            } else if (command.Verb == TVerb::Hang || command.Verb == TVerb::Answer) {
                device->Hang(command.Verb == TVerb::Hang);
                std::printf("%s %s\n", command.Verb == TVerb::Hang ? "hang" : "answer", device->Label().c_str());
            } else if (command.Verb == TVerb::Late) {
                if (device->AnswerLate(command.LateMs))
                    std::printf("late %s %d\n", device->Label().c_str(), command.LateMs);
                else
                    std::fprintf(stderr, "tavik-sim: late answers need --usb\n");
            } else if (command.Verb == TVerb::Unplug) {
                device->Destroy();
                std::printf("unplugged %s\n", device->Label().c_str());
            } else if (!device->Created()) {
                Plug(*device);
            }
            break;
        }
        case TVerb::Count:
            for (auto& meter : Meters_) meter->RawCount = command.Count;
            std::printf("count %d\n", command.Count);
            break;
        case TVerb::In:
            for (auto& meter : Meters_) meter->InputIn = command.InputIn;
            std::printf("in %d\n", command.InputIn ? 1 : 0);
            break;
        }
        std::fflush(stdout);
    }

    TOptions Options_;
    std::vector<std::unique_ptr<TVirtualDevice>> Devices_;
    std::vector<std::string> Controllers_;
    std::string Error_;
    std::vector<std::shared_ptr<TFrequencyMeterSimulator>> Meters_;
    std::string Pending_;
    bool StdinOpen_ = true;
    bool Quit_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
    TOptions options;
    const std::string error = ParseOptions(argc, argv, options);
    if (!error.empty()) {
        std::fprintf(stderr, "tavik-sim: %s\n%s", error.c_str(), Usage);
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    TSimulatorProgram program(options);
    if (!program.PlugAll()) return 1;
    return program.Run();
}
