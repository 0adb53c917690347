#pragma once
// An in-memory HID platform: tests plug devices in and out, make opens, string
// reads or transfers fail, and read back every call and every byte. Its
// failures give short fixed reasons ("device removed", "simulated failure").
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "device/platform/hid_platform.h"

namespace tavik {

// A device as the in-memory platform presents it. Module simulators derive from
// it and answer the feature reports.
class TMemoryHidDevice {
public:
    TMemoryHidDevice(THidAttributes attributes, std::u16string manufacturer, std::u16string product)
        : Attributes(attributes), Manufacturer(std::move(manufacturer)), Product(std::move(product)) {}
    virtual ~TMemoryHidDevice() = default;

    // The device's side of a feature report (report ID in byte 0).
    virtual bool OnSetFeature(const uint8_t* /*buffer*/, std::size_t /*length*/) { return true; }
    virtual bool OnGetFeature(uint8_t* /*buffer*/, std::size_t /*length*/) { return false; }

    THidAttributes Attributes;
    std::u16string Manufacturer;
    std::u16string Product;
    std::u16string Serial;  // empty: none

    // Faults a test can switch on.
    bool RefuseReadWrite = false;  // opens only with no access
    bool RefuseOpen = false;       // cannot be opened at all
    bool FailAttributes = false;
    bool FailStrings = false;
    bool FailSetFeature = false;
    bool FailGetFeature = false;

    // When a feature report is answered, once the platform delivers through
    // a loop: at once, when the test releases it, after AnswerAfterMs, or
    // never (until it is unplugged or its handle closed).
    enum class TAnswer { AtOnce, Held, AfterDelay, Never };
    TAnswer Answer = TAnswer::AtOnce;
    int AnswerAfterMs = 0;
};

enum class TWireCall { Open, Close, Attributes, Manufacturer, Product, Serial, GetFeature, SetFeature };

// One platform call, as the in-memory platform saw it.
struct TWireEvent {
    TWireCall Call;
    uint32_t DeviceInstance;
    bool Ok;
    std::vector<uint8_t> Bytes;  // feature report bytes (for GetFeature: as answered)
};

class TMemoryHidPlatform : public THidPlatform {
public:
    bool Available() const override { return Available_; }
    void SetAvailable(bool available) { Available_ = available; }

    // Makes the device present under a new device instance and returns it.
    // Nothing is announced until NotifyDeviceChange.
    uint32_t Plug(std::shared_ptr<TMemoryHidDevice> device);
    // Takes the device away; its open handles stop working.
    void Unplug(uint32_t instance);
    void UnplugAll();
    // Delivers one device-tree-changed notice, as the operating system would.
    void NotifyDeviceChange() { RaiseDeviceChange(); }

    // Transfers a device does not answer at once end from this loop; without
    // one every transfer ends at once.
    void DeliverThrough(TEventLoop& loop) { Loop_ = &loop; }
    // Answers the transfers the device holds, from the loop.
    void Release(uint32_t instance);
    std::size_t PendingTransfers() const { return Pending_.size(); }

    // No snapshot at all, as a broken platform might give.
    bool FailSnapshot = false;

    bool Present(uint32_t instance) const { return Devices_.count(instance) != 0; }
    // The device plugged in under instance; null once it is gone.
    TMemoryHidDevice* Device(uint32_t instance) const {
        const auto found = Devices_.find(instance);
        return found == Devices_.end() ? nullptr : found->second.get();
    }
    int OpenHandleCount() const { return static_cast<int>(Handles_.size()); }

    const std::vector<TWireEvent>& Wire() const { return Wire_; }
    // Benchmarks switch the log off so that it does not count as the
    // program's own work.
    bool LogWire = true;
    // Hears every call as it happens, logged or not (a demonstration's wire
    // written to a file).
    std::function<void(const TWireEvent&)> OnWire;
    void ClearWire() { Wire_.clear(); }

    // THidPlatform
    std::optional<std::vector<THidInterface>> Snapshot() override;
    THidHandle Open(const std::string& path, bool readWrite) override;
    void Close(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    bool GetManufacturerString(THidHandle handle, std::u16string& text) override;
    bool GetProductString(THidHandle handle, std::u16string& text) override;
    bool GetSerialNumberString(THidHandle handle, std::u16string& text) override;
    bool GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) override;
    bool SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) override;
    TTransferStart StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length, TTransferDone done,
                                bool& ok) override;
    bool WaitTransfer(THidHandle handle, int maxMs) override;

    static std::string PathOf(uint32_t instance) { return "mem:" + std::to_string(instance); }

private:
    struct THandle {
        THidHandle Handle;
        uint32_t Instance;
        bool ReadWrite;
    };
    std::vector<THandle>::const_iterator FindHandle(THidHandle handle) const;
    // A device may be unplugged while it answers: the caller holds it.
    std::shared_ptr<TMemoryHidDevice> DeviceOf(THidHandle handle, uint32_t& instance, bool& readWrite) const;
    const char* TransferRefusal(const TMemoryHidDevice* device, THidHandle handle, bool readWrite,
                                bool failing) const;
    bool ReadString(THidHandle handle, std::u16string TMemoryHidDevice::*field, TWireCall call, std::u16string& text);
    void Log(TWireCall call, uint32_t instance, bool ok, const uint8_t* bytes = nullptr, std::size_t length = 0);

    struct TPendingTransfer {
        uint64_t Id;
        THidHandle Handle;
        uint32_t Instance;
        TFeatureOp Op;
        uint8_t* Buffer;
        std::size_t Length;
        TTransferDone Done;
        std::chrono::steady_clock::time_point Due;
        std::shared_ptr<TLoopTimer> Timer;  // an answer after a delay
    };
    // Carries out the pending transfer with this id, if it still is.
    void End(uint64_t id);
    void EndLater(uint64_t id);

    TEventLoop* Loop_ = nullptr;
    std::vector<TPendingTransfer> Pending_;
    uint64_t NextTransfer_ = 1;
    bool Available_ = true;
    uint32_t NextInstance_ = 1;
    THidHandle NextHandle_ = 100;
    std::map<uint32_t, std::shared_ptr<TMemoryHidDevice>> Devices_;  // ordered: enumeration order
    std::vector<THandle> Handles_;  // few are open at once: a search costs less than a map node per open
    std::vector<TWireEvent> Wire_;
};

}  // namespace tavik
