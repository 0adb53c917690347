#pragma once
// A simulated module presented to the kernel as a virtual USB HID device
// through /dev/uhid: the kernel makes a hidraw node for it, and every feature
// report the program sends or asks for is answered by the simulator.
#include <memory>
#include <string>

#include "sim/virtual_device.h"

namespace tavik::sim {

class TUhidDevice : public TVirtualDevice {
public:
    using TVirtualDevice::TVirtualDevice;
    ~TUhidDevice() override;

    // Opens /dev/uhid and creates the device.
    bool Create(std::string& error) override;
    // Destroys the device: to the host it is unplugged.
    void Destroy() override;
    bool Created() const override { return Fd_ >= 0; }
    int Fd() const override { return Fd_; }
    void HandleEvent(bool verbose) override;
    // uhid answers at once: late answers are a USB gadget's.
    bool AnswerLate(int) override { return false; }

private:
    int Fd_ = -1;
};

}  // namespace tavik::sim
