#pragma once
// A simulated module as the kernel sees it: a device tavik-sim plugs in,
// answers and unplugs, whether it is made through /dev/uhid or as a USB
// gadget. One simulator answers every frame, whichever road carries it.
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/module_simulator.h"

namespace tavik::sim {

// Vendor-defined usage page, one 8-byte feature report, no report ID: what a
// module tells the host about its reports.
inline constexpr uint8_t ModuleReportDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x09, 0x02,        //   Usage (2)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x08,        //   Report Count (8)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0xC0,              // End Collection
};

class TVirtualDevice {
public:
    using TClock = std::chrono::steady_clock;

    TVirtualDevice(std::shared_ptr<TModuleSimulator> module, std::string label)
        : Module_(std::move(module)), Label_(std::move(label)) {}
    virtual ~TVirtualDevice() = default;
    TVirtualDevice(const TVirtualDevice&) = delete;
    TVirtualDevice& operator=(const TVirtualDevice&) = delete;

    // Plugs the device in; on failure says why.
    virtual bool Create(std::string& error) = 0;
    // Unplugs it.
    virtual void Destroy() = 0;
    virtual bool Created() const = 0;
    // The descriptor to wait on for the host's next event, or -1 while there
    // is none to read (unplugged, or a request held back for a late answer).
    virtual int Fd() const = 0;
    // Handles one event the kernel has for the device; prints a line per
    // frame when verbose.
    virtual void HandleEvent(bool verbose) = 0;

    // A late answer: the next request is answered this many ms after it came,
    // at the latest when Due() says; the program calls Answer() then.
    virtual bool AnswerLate(int ms) = 0;
    virtual std::optional<TClock::time_point> Due() const { return std::nullopt; }
    virtual void Answer(bool /*verbose*/) {}
    // A module that stops answering (hung) leaves the host's requests
    // unanswered, the host waits them out, until it answers again.
    void Hang(bool hung) { Hung_ = hung; }
    bool Hung() const { return Hung_; }

    const std::string& Label() const { return Label_; }
    const std::shared_ptr<TModuleSimulator>& Module() const { return Module_; }
    // "<manufacturer> <product>", the name the kernel gives the HID device.
    std::string Name() const {
        return Ascii(Module_->Manufacturer) + " " + Ascii(Module_->Product);
    }
    static std::string Ascii(const std::u16string& text) {
        std::string out;
        for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }

protected:
    // One frame on the wire, as tavik-sim --verbose shows it.
    void PrintFrame(const char* direction, const uint8_t* bytes, std::size_t length) const {
        std::printf("%s %s:", Label_.c_str(), direction);
        for (std::size_t i = 0; i < length; ++i) std::printf(" %02X", bytes[i]);
        std::printf("\n");
        std::fflush(stdout);
    }

private:
    bool Hung_ = false;
    std::shared_ptr<TModuleSimulator> Module_;
    std::string Label_;
};

}  // namespace tavik::sim
