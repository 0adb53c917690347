#pragma once
// A USB device made by the kernel's configfs gadget framework: one gadget
// with one FunctionFS function, plugged into one of the USB device
// controllers (dummy_hcd's, in a test machine). tavik-sim answers the
// function's endpoint 0 itself (usb_device.h); this class only makes, plugs,
// unplugs and removes the gadget.
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::sim {

struct TUsbIdentity {
    uint16_t Vendor = 0;
    uint16_t Product = 0;
    uint16_t BcdDevice = 0;
    std::string Manufacturer;
    std::string ProductName;
    std::string Serial;
};

class TUsbGadget {
public:
    // NAME names the gadget in configfs and its FunctionFS instance; UDC is
    // the controller it plugs into.
    TUsbGadget(std::string name, std::string udc);
    ~TUsbGadget();
    TUsbGadget(const TUsbGadget&) = delete;
    TUsbGadget& operator=(const TUsbGadget&) = delete;

    // The controllers present, by name, in order ("dummy_udc.0", ...); empty
    // when there are none or configfs gadgets cannot be had (the error says
    // which).
    static std::vector<std::string> Controllers(std::string& error);

    // Makes the gadget with its identity and mounts its FunctionFS; the
    // function's endpoint 0 is then at Ep0().
    bool Make(const TUsbIdentity& identity, std::string& error);
    bool Made() const { return Made_; }
    std::string Ep0() const { return MountPoint_ + "/ep0"; }
    // Only while unplugged: the host reads the strings when it is plugged in.
    bool SetSerial(const std::string& serial, std::string& error);
    // Plugs the gadget into its controller; the function's descriptors must
    // have been written to endpoint 0 before.
    bool Plug(std::string& error);
    void Unplug();
    bool Plugged() const { return Plugged_; }
    // Unplugs and takes everything apart; endpoint 0 must be closed first.
    void Remove();

private:
    std::string Name_;
    std::string Udc_;
    std::string Root_;
    std::string MountPoint_;
    bool Made_ = false;
    bool Plugged_ = false;
};

}  // namespace tavik::sim
