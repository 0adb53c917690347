#include "hid_device_controller.h"

#include <algorithm>
#include <exception>

namespace tavik {

namespace {
// Restores a flag however the scope is left, so that a handler's error cannot
// leave the controller believing it is still inside a pass.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag_(flag) { Flag_ = true; }
    ~TFlagScope() { Flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag_;
};
}  // namespace

THidDeviceController::THidDeviceController(THidPlatform& platform, TEventLoop& loop)
    : Platform_(platform), Self_(std::make_shared<THidDeviceController*>(this)) {
    Inert_ = !Platform_.Available();
    if (Inert_) return;
    Platform_.SetDeviceChangeHandler([this](THidChangeNotice notice) { Notify(notice); });
    if (Platform_.PostStartupNotice()) return;
    loop.Post([self = std::weak_ptr<THidDeviceController*>(Self_)] {
        if (const auto alive = self.lock()) (*alive)->Notify(THidChangeNotice::StartUp);
    });
}

THidDeviceController::~THidDeviceController() {
    Destroying_ = true;
    OnDeviceChange = nullptr;
    if (!Inert_) Platform_.SetDeviceChangeHandler(nullptr);
    DeviceList_.clear();
}

void THidDeviceController::Notify(THidChangeNotice notice) {
    if (Destroying_ || Inert_ || InDeviceChange_) return;
    LastChangeParam_ = notice;
    TFlagScope inPass(InDeviceChange_);
    DeviceChange();
}

bool THidDeviceController::Lists(const THidDevice* device) const {
    return std::any_of(DeviceList_.begin(), DeviceList_.end(),
                       [device](const auto& listed) { return listed.get() == device; });
}

std::optional<std::vector<THidDeviceController::TFoundInterface>> THidDeviceController::EnumerateInterfaces() {
    std::vector<TFoundInterface> found;
    if (Inert_) return found;
    std::optional<std::vector<THidInterface>> snapshot;
    try {
        snapshot = Platform_.Snapshot();
    } catch (...) {
        snapshot.reset();
    }
    // Without a snapshot nothing can be told gone or new: the pass is skipped
    // and the next notice tries again.
    if (!snapshot) return std::nullopt;
    found.reserve(snapshot->size());
    for (THidInterface& present : *snapshot) {
        // An interface that can be neither opened nor identified is skipped
        // silently and tried again on the next pass.
        const THidProbe probe = THidDevice::Probe(Platform_, present.DevicePath);
        if (probe.Identified) found.push_back({std::move(present), probe});
    }
    return found;
}

void THidDeviceController::Raise(const THidPlugEvent& event, THidDevice& device) {
    if (!event) return;
    struct TEnumeratingScope {
        THidDevice& Device;
        explicit TEnumeratingScope(THidDevice& device) : Device(device) { Device.SetEnumerating(true); }
        ~TEnumeratingScope() { Device.SetEnumerating(false); }
    } enumerating(device);
    event(device);
}

void THidDeviceController::DeviceChange() {
    bool changed = LastChangeParam_ == THidChangeNotice::StartUp;
    std::optional<std::vector<TFoundInterface>> enumerated = EnumerateInterfaces();
    if (!enumerated) {
        if (changed && OnDeviceChange) OnDeviceChange(*this);  // the start-up notice all the same
        return;
    }
    std::vector<TFoundInterface>& fresh = *enumerated;

    // Removals, from the most recently listed device backwards.
    for (std::size_t i = DeviceList_.size(); i-- > 0;) {
        THidDevice& listed = *DeviceList_[i];
        const uint32_t instance = listed.PnPInfo().DeviceInstance;
        const bool stillPresent =
            listed.PluggedIn() && std::any_of(fresh.rbegin(), fresh.rend(), [instance](const TFoundInterface& f) {
                return f.Interface.DeviceInstance == instance;
            });
        if (stillPresent) continue;
        listed.Unplug();
        Raise(OnRemoval, listed);
        // Nothing here checks a device out: a removed one leaves the list at
        // once.
        DeviceList_.erase(DeviceList_.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
    }

    // Interfaces already listed keep their object; all of them are known
    // before the first arrival is listed.
    for (auto& candidate : fresh) {
        const uint32_t instance = candidate.Interface.DeviceInstance;
        candidate.Listed = std::any_of(DeviceList_.begin(), DeviceList_.end(), [instance](const auto& d) {
            return d->PluggedIn() && d->PnPInfo().DeviceInstance == instance;
        });
    }

    // Arrivals in enumeration order; each is listed before its handler runs.
    for (auto& candidate : fresh) {
        if (candidate.Listed) continue;
        auto device = std::make_unique<THidDevice>(
            Platform_, THidPnPInfo{candidate.Interface.DeviceInstance, std::move(candidate.Interface.DevicePath)},
            candidate.Probe);
        THidDevice& arrived = *device;
        DeviceList_.push_back(std::move(device));
        changed = true;
        Raise(OnArrival, arrived);
    }

    if (changed && OnDeviceChange) OnDeviceChange(*this);
}

}  // namespace tavik
