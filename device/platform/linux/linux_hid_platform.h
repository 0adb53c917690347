#pragma once
// The Linux HID platform: libudev lists the hidraw nodes, gives each a stable
// identity and its strings, and reports hot-plug events through a socket
// notifier on the GUI thread; hidapi's hidraw backend opens the nodes and
// carries the feature reports.
#include <map>
#include <memory>
#include <string>

#include "device/platform/hid_platform.h"
#include "linux_hid_names.h"

struct udev;
struct udev_monitor;
struct hid_device_;
class QSocketNotifier;

namespace tavik {

class TLinuxHidPlatform : public THidPlatform {
public:
    TLinuxHidPlatform();
    ~TLinuxHidPlatform() override;
    TLinuxHidPlatform(const TLinuxHidPlatform&) = delete;
    TLinuxHidPlatform& operator=(const TLinuxHidPlatform&) = delete;

    bool Available() const override { return Udev_ != nullptr && HidApiReady_; }
    std::optional<std::vector<THidInterface>> Snapshot() override;
    THidHandle Open(const std::string& path, bool readWrite) override;
    void Close(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    bool GetManufacturerString(THidHandle handle, std::u16string& text) override;
    bool GetProductString(THidHandle handle, std::u16string& text) override;
    bool GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) override;
    bool SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) override;

    // "udev" when udevd runs, "kernel" otherwise.
    const char* MonitorSource() const { return MonitorSource_; }

private:
    struct TNodeInfo {
        uint32_t Instance = 0;
        THidAttributes Attributes;
        std::u16string Manufacturer;
        std::u16string Product;
    };
    struct TOpenNode {
        hid_device_* Device = nullptr;  // null for a no-access open
        TNodeInfo Info;
    };
    bool Describe(const std::string& devnode, TNodeInfo& info) const;
    void ReadMonitor();
    const TOpenNode* Node(THidHandle handle) const;

    udev* Udev_ = nullptr;
    udev_monitor* Monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> Notifier_;
    const char* MonitorSource_ = "kernel";
    bool HidApiReady_ = false;
    THidHandle NextHandle_ = 1;
    std::map<THidHandle, TOpenNode> Open_;
};

}  // namespace tavik
