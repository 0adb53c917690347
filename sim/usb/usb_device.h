#pragma once
// A simulated module as a real USB device: a configfs gadget whose one HID
// interface is a FunctionFS function answered here. The host's usbhid driver
// carries the feature reports as control transfers on endpoint 0 (SET_REPORT,
// GET_REPORT), and reads the manufacturer and product from USB string
// descriptors, as with a real module.
#include <optional>
#include <string>

#include <linux/usb/ch9.h>

#include "sim/virtual_device.h"
#include "usb_gadget.h"

namespace tavik::sim {

class TUsbDevice : public TVirtualDevice {
public:
    // UDC: the USB device controller the module is plugged into.
    TUsbDevice(std::shared_ptr<TModuleSimulator> module, std::string label, std::string udc);
    ~TUsbDevice() override;

    // Plugs the module in: the first time the gadget is made, later it is
    // plugged in again with a new serial number, so the host sees a new device.
    bool Create(std::string& error) override;
    // Unplugs it; the gadget stays, ready to be plugged in again.
    void Destroy() override;
    bool Created() const override { return Gadget_.Plugged(); }
    int Fd() const override { return Created() && !Held_ ? Ep0_ : -1; }
    void HandleEvent(bool verbose) override;

    bool AnswerLate(int ms) override;
    std::optional<TClock::time_point> Due() const override;
    void Answer(bool verbose) override;

private:
    bool WriteDescriptors(std::string& error);
    // Answers one request of the host on endpoint 0, or stalls it: a request
    // left waiting holds the host for its 5-s time-out.
    void Answer(const usb_ctrlrequest& request, bool verbose);
    void Send(const uint8_t* data, std::size_t length, uint16_t asked);
    // Reads the OUT data stage; an empty one acknowledges a request without data.
    std::size_t Receive(uint8_t* data, std::size_t room);
    void Stall(const usb_ctrlrequest& request);

    TUsbGadget Gadget_;
    int Ep0_ = -1;
    int Plugs_ = 0;
    int LateMs_ = 0;
    std::optional<usb_ctrlrequest> Held_;
    TClock::time_point HeldUntil_{};
};

}  // namespace tavik::sim
