#pragma once
// A simulated module presented to the kernel as a virtual USB HID device
// through /dev/uhid: the kernel makes a hidraw node for it, and every feature
// report the program sends or asks for is answered by the simulator.
#include <memory>
#include <string>

#include "sim/module_simulator.h"

namespace tavik::sim {

class TUhidDevice {
public:
    TUhidDevice(std::shared_ptr<TModuleSimulator> module, std::string label);
    ~TUhidDevice();
    TUhidDevice(const TUhidDevice&) = delete;
    TUhidDevice& operator=(const TUhidDevice&) = delete;

    // Opens /dev/uhid and creates the device; on failure says why.
    bool Create(std::string& error);
    // Destroys the device: to the host it is unplugged.
    void Destroy();
    bool Created() const { return Fd_ >= 0; }
    int Fd() const { return Fd_; }

    // Handles one event the kernel has for the device; prints a line per
    // frame when verbose.
    void HandleEvent(bool verbose);

    const std::string& Label() const { return Label_; }
    const std::shared_ptr<TModuleSimulator>& Module() const { return Module_; }
    // "<manufacturer> <product>", the name the kernel gives the HID device.
    std::string Name() const;

private:
    std::shared_ptr<TModuleSimulator> Module_;
    std::string Label_;
    int Fd_ = -1;
};

}  // namespace tavik::sim
