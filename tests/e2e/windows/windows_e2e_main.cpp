// The Windows HID platform under Wine on a real Linux kernel, against
// tavik-sim's virtual modules over uhid: SetupAPI's enumeration, the feature
// reports through HID.dll, the device-nodes-changed broadcast on unplug and
// plug, and the identity of the devices that stay. Wine names every hidraw
// device's maker "hidraw", so no module binds by its strings here; binding is
// covered over stand-ins in the unit tests.
//
// tavik-sim is a Linux program the Windows program cannot talk to, so the
// script that runs both (tests/e2e/vm/wine.sh) carries its requests: the
// program writes one command into REQUEST_FILE and waits until the script has
// passed it on and removed the file.
//
//   tavik_e2e_windows REQUEST_FILE
// Prints one line per check and "wine: N passed, M failed".
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "device/hid_device_controller.h"
#include "device/instrument_identity.h"
#include "device/platform/windows/windows_hid_platform.h"
#include "device/report_exchange.h"
#include "loop/win32/win32_event_loop.h"

namespace {

using namespace tavik;

int Passed = 0;
int Failed = 0;

void Check(bool ok, const std::string& what) {
    (ok ? Passed : Failed)++;
    std::printf("  %s wine: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Hex(const uint8_t* bytes, std::size_t length) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", bytes[i]);
        out += cell;
    }
    return out;
}

// Pumps the loop until the condition holds; prints how long it took and
// returns the milliseconds, or -1.
double WaitFor(TWin32EventLoop& loop, const std::string& what, const std::function<bool()>& condition, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    double took = -1;
    while (took < 0 && elapsed() < timeoutMs) {
        if (condition()) took = elapsed();
        else loop.ProcessEvents(20);
    }
    if (took < 0 && condition()) took = elapsed();
    std::printf("  WAIT wine: %s: %.1f s of %d s%s\n", what.c_str(), (took < 0 ? elapsed() : took) / 1000,
                timeoutMs / 1000, took < 0 ? ", timed out" : "");
    std::fflush(stdout);
    return took;
}

// Hands one command to the script and waits until it has been passed on.
bool Request(TWin32EventLoop& loop, const std::string& file, const std::string& command) {
    {
        std::ofstream out(file + ".new");
        out << command << "\n";
    }
    if (!::MoveFileExA((file + ".new").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    return WaitFor(loop, "the script took '" + command + "'", [&] { return ::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000) >= 0;
}

// The listed device whose product string holds the name, or null.
THidDevice* Find(THidDeviceController& controller, const std::u16string& product) {
    for (std::size_t i = 0; i < controller.Count(); ++i) {
        THidDevice& device = controller.Device(i);
        if (device.VendorID() == InstrumentVendorID && device.ProductString().find(product) != std::u16string::npos)
            return &device;
    }
    return nullptr;
}

// One command frame there and its answer back, as the program carries them.
bool RoundTrip(THidDevice& device, TFrame command, TFrame& answer) {
    SealCommand(command);
    std::array<uint8_t, ReportSize> report{};
    std::copy(command.begin(), command.end(), report.begin() + 1);
    if (!device.IsOpen() || !device.SetFeature(report.data(), report.size())) return false;
    report.fill(0);
    if (!device.GetFeature(report.data(), report.size())) return false;
    std::copy(report.begin() + 1, report.end(), answer.begin());
    return report[0] == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavik_e2e_windows REQUEST_FILE\n");
        return 2;
    }
    const std::string requests = argv[1];
    TWin32EventLoop loop;
    TWindowsHidPlatform platform;
    Check(platform.Available(), "SetupApi.dll and HID.dll bound at run time");
    if (!platform.Available()) return 1;

    THidDeviceController controller(platform, loop);
    std::vector<std::string> arrivals, removals;
    // As the program binds a module: its strings read and its handle opened
    // while the arrival is announced, the handle kept for the traffic.
    controller.OnArrival = [&](THidDevice& d) {
        arrivals.push_back(d.PnPInfo().DevicePath);
        d.ManufacturerString();
        if (d.VendorID() == InstrumentVendorID && d.ProductString().find(u"tavik.example VX") == 0) d.OpenDevice();
    };
    controller.OnRemoval = [&](THidDevice& d) { removals.push_back(d.PnPInfo().DevicePath); };

    const double startUp = WaitFor(loop, "the start-up pass lists the three modules", [&] {
        return Find(controller, u"VXLogger") && Find(controller, u"VXGenerator") && Find(controller, u"VXFrequencyMeter");
    }, 180000);
    Check(startUp >= 0, "the start-up pass lists the three modules");
    for (std::size_t i = 0; i < controller.Count(); ++i) {
        THidDevice& d = controller.Device(i);
        std::printf("    device %u: %04X:%04X v%04X \"%s\" \"%s\" %s %s\n", d.PnPInfo().DeviceInstance, d.VendorID(),
                    d.ProductID(), d.VersionNumber(), Narrow(d.ManufacturerString()).c_str(),
                    Narrow(d.ProductString()).c_str(), d.HasReadWriteAccess() ? "read/write" : "no access",
                    d.PnPInfo().DevicePath.c_str());
    }
    THidDevice* logger = Find(controller, u"VXLogger");
    THidDevice* generator = Find(controller, u"VXGenerator");
    THidDevice* meter = Find(controller, u"VXFrequencyMeter");
    if (!logger || !generator || !meter) {
        std::printf("wine: %d passed, %d failed\n", Passed, Failed + 1);
        return 1;
    }
    Check(logger->ProductID() == InstrumentProductID && generator->ProductID() == InstrumentProductID &&
              meter->ProductID() == InstrumentProductID,
          "HidD_GetAttributes gives the modules' vendor and product IDs");
    Check(logger->HasReadWriteAccess() && generator->HasReadWriteAccess() && meter->HasReadWriteAccess(),
          "each opens for reading and writing");
    Check(logger->PnPInfo().DeviceInstance != generator->PnPInfo().DeviceInstance &&
              generator->PnPInfo().DeviceInstance != meter->PnPInfo().DeviceInstance &&
              logger->PnPInfo().DeviceInstance != meter->PnPInfo().DeviceInstance,
          "three distinct identities");

    // The frequency meter's count (tavik-sim --count 123456) and a byte of
    // its parameter memory (the factor 1.0f at 16: 00 00 80 3F).
    TFrame answer{};
    const bool measured = RoundTrip(*meter, {CmdRequestMeasurement, 7, 0, 0, 0, 0, 0, 0}, answer);
    std::printf("    frequency meter answers %s\n", Hex(answer.data(), answer.size()).c_str());
    const uint32_t count = answer[3] | answer[4] << 8 | answer[5] << 16 | uint32_t(answer[6]) << 24;
    Check(measured && answer[0] == MeasurementReportKind && count == 123456 && answer[7] == CheckByte(answer),
          "a measurement through HidD_SetFeature/HidD_GetFeature carries the count 123456");
    const bool read = RoundTrip(*meter, {CmdReadMemoryByte, 42, 19, 0, 0, 0, 0, 0}, answer);
    std::printf("    memory byte 19 answers %s\n", Hex(answer.data(), answer.size()).c_str());
    Check(read && answer[0] == CmdReadMemoryByte && answer[1] == 42 && answer[2] == 19 && answer[4] == 0x3F,
          "a memory read comes back with its sequence, address and byte");
    const bool sent = RoundTrip(*generator, {CmdSetControl, 1, 0x10, 0, 0, 0, 0, 0}, answer);
    Check(sent, "the generator takes 02 01 10 00 00 00 00 EF");

    // A broadcast with nothing changed: the same devices, the same identities.
    const auto identities = [&] {
        std::map<std::string, uint32_t> paths;
        for (std::size_t i = 0; i < controller.Count(); ++i)
            paths[controller.Device(i).PnPInfo().DevicePath] = controller.Device(i).PnPInfo().DeviceInstance;
        return paths;
    };
    const std::map<std::string, uint32_t> before = identities();
    arrivals.clear();
    // Sent, not posted: the pass has run when the call returns.
    ::SendMessageW(platform.NotificationWindow(), WM_DEVICECHANGE, 7, 0);
    Check(arrivals.empty() && removals.empty() && identities() == before && controller.LastChangeParam() == tavik::THidChangeNotice::DeviceTreeChanged,
          "a pass with nothing changed keeps every device and identity");

    // Unplug the logger: Wine's broadcast starts a pass that removes it alone.
    const std::string loggerPath = logger->PnPInfo().DevicePath;
    const uint32_t loggerInstance = logger->PnPInfo().DeviceInstance;
    const THidDevice* generatorBefore = generator;
    const THidDevice* meterBefore = meter;
    Check(Request(loop, requests, "unplug logger"), "the script passes the unplug on");
    const double unplugged = WaitFor(loop, "the logger's removal", [&] { return !removals.empty(); }, 180000);
    Check(unplugged >= 0 && removals == std::vector<std::string>{loggerPath} && !Find(controller, u"VXLogger"),
          "unplugging the logger removes it, and only it");
    Check(Find(controller, u"VXGenerator") == generatorBefore && Find(controller, u"VXFrequencyMeter") == meterBefore &&
              generatorBefore->PnPInfo().DeviceInstance == before.at(generatorBefore->PnPInfo().DevicePath),
          "the generator and the frequency meter stay, with their identities");

    arrivals.clear();
    Check(Request(loop, requests, "plug logger"), "the script passes the plug on");
    const double plugged = WaitFor(loop, "the logger's arrival", [&] { return Find(controller, u"VXLogger") != nullptr; }, 180000);
    Check(plugged >= 0 && arrivals.size() == 1, "plugging it in again lists it once more");
    if (THidDevice* again = Find(controller, u"VXLogger")) {
        Check(again->PnPInfo().DeviceInstance != loggerInstance || again->PnPInfo().DevicePath != loggerPath,
              "the logger plugged in again is a new device");
        TFrame reply{};
        const bool polled = RoundTrip(*again, {CmdRequestMeasurement, 1, 0, 0, 0, 0, 0, 0}, reply);
        Check(polled && reply[0] == MeasurementReportKind && reply[7] == CheckByte(reply),
              "the logger plugged in again answers a measurement");
    }
    // The logger stops answering: a transfer to it is given up on within
    // NotAnsweringMs while it goes on off the loop's thread, the meter's
    // round trips go on four times a second, and once it answers it takes
    // transfers again.
    double hungMs = -1, meterRate = 0, worstRoundMs = 0;
    if (THidDevice* hung = Find(controller, u"VXLogger")) {
        TInstrumentPort port;
        port.Device = hung;
        Check(Request(loop, requests, "hang logger"), "the script passes the hang on");
        TFrame frame{CmdRequestMeasurement, 2, 0, 0, 0, 0, 0, 0};
        SealCommand(frame);
        const auto start = std::chrono::steady_clock::now();
        const bool sentToHung = port.SendReport(frame);
        hungMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        Check(!sentToHung && !port.Answering() && hungMs < 250,
              "a transfer to the hung logger is given up on in " + std::to_string(static_cast<int>(hungMs)) + " ms");
        int rounds = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            const auto round = std::chrono::steady_clock::now();
            TFrame reply{};
            if (RoundTrip(*meter, {CmdRequestMeasurement, 9, 0, 0, 0, 0, 0, 0}, reply)) ++rounds;
            worstRoundMs = std::max(worstRoundMs,
                                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - round).count());
            loop.ProcessEvents(250);
        }
        meterRate = rounds / 10.0;
        // Wine's HID bus carries one hidraw request at a time: the meter's
        // waits behind the logger's unanswered one (up to the kernel's five
        // seconds), which Windows itself does not do. The program's loop is
        // not held; the meter still answers.
        Check(rounds > 0, "the frequency meter still answers meanwhile (" + std::to_string(rounds) + " round trips in 10 s)");
        Check(Request(loop, requests, "answer logger"), "the script passes the answer on");
        const double answered = WaitFor(loop, "the logger answers again", [&] {
            if (!port.Busy()) port.SendReport(frame);
            return port.Answering() && port.Transfer.Ok;
        }, 60000);
        Check(answered >= 0, "once it answers, the logger takes transfers again, without a replug");
        port.Abandon();
        port.Device = nullptr;
    }
    std::printf("TIMES: start-up pass %.0f ms; unplug to removal %.0f ms; plug to arrival %.0f ms; "
                "a transfer to the hung logger given up on in %.0f ms; meter %.2f round trips a second (worst %.0f ms)\n",
                startUp, unplugged, plugged, hungMs, meterRate, worstRoundMs);
    std::printf("wine: %d passed, %d failed\n", Passed, Failed);
    return Failed == 0 ? 0 : 1;
}
