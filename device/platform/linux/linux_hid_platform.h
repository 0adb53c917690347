#pragma once
// The Linux HID platform: libudev lists the hidraw nodes, gives each a stable
// identity and its strings, and reports hot-plug events through a watch on
// its monitor's descriptor in the program's event loop; hidapi's hidraw
// backend opens the nodes and carries the feature reports.
#include <map>
#include <memory>
#include <string>

#include "common/event_loop.h"
#include "device/platform/hid_platform.h"
#include "linux_hid_names.h"
#include "linux_transfer_worker.h"

struct udev;
struct udev_monitor;
struct hid_device_;

namespace tavik {

class TLinuxHidPlatform : public THidPlatform {
public:
    // Hot-plug notices come from loop; with a loop that watches no
    // descriptors there are none, only the start-up pass.
    explicit TLinuxHidPlatform(TEventLoop& loop);
    ~TLinuxHidPlatform() override;
    TLinuxHidPlatform(const TLinuxHidPlatform&) = delete;
    TLinuxHidPlatform& operator=(const TLinuxHidPlatform&) = delete;

    bool Available() const override { return Udev_ != nullptr && HidApiReady_; }
    std::optional<std::vector<THidInterface>> Snapshot() override;
    THidHandle Open(const std::string& path, bool readWrite) override;
    void Close(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    bool GetManufacturerString(THidHandle handle, std::u16string& text) override;
    bool GetSerialNumberString(THidHandle handle, std::u16string& text) override;
    bool GetProductString(THidHandle handle, std::u16string& text) override;
    bool GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) override;
    bool SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) override;
    // On the node's own thread, its end heard through the loop.
    TTransferStart StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length, TTransferDone done,
                                bool& ok) override;
    bool WaitTransfer(THidHandle handle, int maxMs) override;

    // "udev" when udevd runs, "kernel" otherwise.
    const char* MonitorSource() const { return MonitorSource_; }

private:
    struct TNodeInfo {
        uint32_t Instance = 0;
        THidAttributes Attributes;
        std::u16string Manufacturer;
        std::u16string Product;
        std::u16string Serial;  // HID_UNIQ: the USB serial, or uhid's uniq
    };
    struct TOpenNode {
        hid_device_* Device = nullptr;  // null for a no-access open
        TNodeInfo Info;
        // Once the node has carried a transfer: the thread that owns Device.
        std::unique_ptr<TLinuxTransferWorker> Worker;
        std::unique_ptr<TLoopWatch> WorkerWatch;
        uint8_t* Answer = nullptr;  // the caller's buffer of the transfer under way
        std::size_t AnswerLength = 0;
        TTransferDone Done;
    };
    bool Describe(const std::string& devnode, TNodeInfo& info) const;
    void ReadMonitor();
    const TOpenNode* Node(THidHandle handle) const;
    void EndTransfer(THidHandle handle);
    static void CloseNode(TOpenNode& node);

    TEventLoop& Loop_;
    udev* Udev_ = nullptr;
    udev_monitor* Monitor_ = nullptr;
    std::unique_ptr<TLoopWatch> MonitorWatch_;
    const char* MonitorSource_ = "kernel";
    bool HidApiReady_ = false;
    THidHandle NextHandle_ = 1;
    std::map<THidHandle, TOpenNode> Open_;
};

}  // namespace tavik
