#pragma once
// Keeps the list of every present HID interface and announces the ones that
// arrive and leave. On each device-tree-changed notice it takes a fresh snapshot
// and compares it with its list by device instance.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/event_loop.h"
#include "hid_device.h"

namespace tavik {

class THidDeviceController {
public:
    // Queues one start-up notice to itself; the first pass runs from the event
    // loop, never inside the constructor. With no usable platform the
    // controller stays inert: it never enumerates and raises nothing.
    THidDeviceController(THidPlatform& platform, TEventLoop& loop);
    ~THidDeviceController();
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    THidPlugEvent OnArrival;
    THidPlugEvent OnRemoval;
    std::function<void(THidDeviceController&)> OnDeviceChange;

    // One comparison pass: removals first (from the last listed device
    // backwards), then arrivals in enumeration order.
    void DeviceChange();

    // A device-tree-changed notice. A notice that comes while a pass runs is
    // dropped.
    void Notify(THidChangeNotice notice);

    bool Inert() const { return Inert_; }
    bool InDeviceChange() const { return InDeviceChange_; }
    // The notice that started the last pass.
    THidChangeNotice LastChangeParam() const { return LastChangeParam_; }
    std::size_t Count() const { return DeviceList_.size(); }
    THidDevice& Device(std::size_t index) const { return *DeviceList_[index]; }
    bool Lists(const THidDevice* device) const;

private:
    using DeviceVector = std::vector<std::unique_ptr<THidDevice>>;
    // An interface of this pass's snapshot that opened and was identified. A
    // device object is built only for one that is not listed already.
    struct TFoundInterface {
        THidInterface Interface;
        THidProbe Probe;
        bool Listed = false;
    };
    // Nothing when the platform could not take a snapshot.
    std::optional<std::vector<TFoundInterface>> EnumerateInterfaces();
    void Raise(const THidPlugEvent& event, THidDevice& device);

    THidPlatform& Platform_;
    // Owned by the controller alone: a queued start-up notice that runs after
    // the controller is gone finds it expired.
    std::shared_ptr<THidDeviceController*> Self_;
    DeviceVector DeviceList_;
    bool Inert_ = false;
    bool Destroying_ = false;
    bool InDeviceChange_ = false;
    THidChangeNotice LastChangeParam_ = THidChangeNotice::DeviceTreeChanged;
};

}  // namespace tavik
