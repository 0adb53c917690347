#include "memory_hid_platform.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace tavik {

uint32_t TMemoryHidPlatform::Plug(std::shared_ptr<TMemoryHidDevice> device) {
    const uint32_t instance = NextInstance_++;
    Devices_[instance] = std::move(device);
    return instance;
}

// A held transfer of a device that goes fails then, as the kernel's does.
void TMemoryHidPlatform::Unplug(uint32_t instance) {
    Devices_.erase(instance);
    for (const TPendingTransfer& pending : Pending_)
        if (pending.Instance == instance) EndLater(pending.Id);
}

void TMemoryHidPlatform::UnplugAll() {
    Devices_.clear();
    for (const TPendingTransfer& pending : Pending_) EndLater(pending.Id);
}

void TMemoryHidPlatform::Release(uint32_t instance) {
    for (const TPendingTransfer& pending : Pending_)
        if (pending.Instance == instance) EndLater(pending.Id);
}

void TMemoryHidPlatform::EndLater(uint64_t id) {
    if (Loop_) Loop_->Post([this, id] { End(id); });
}

void TMemoryHidPlatform::End(uint64_t id) {
    const auto found =
        std::find_if(Pending_.begin(), Pending_.end(), [id](const TPendingTransfer& pending) { return pending.Id == id; });
    if (found == Pending_.end()) return;  // its handle was closed
    const TPendingTransfer pending = *found;
    Pending_.erase(found);
    // This may be the timer's own tick: it goes once the tick is over.
    if (pending.Timer) {
        pending.Timer->Stop();
        Loop_->Post([timer = pending.Timer] {});
    }
    const bool ok = pending.Op == TFeatureOp::Get ? GetFeature(pending.Handle, pending.Buffer, pending.Length)
                                                  : SetFeature(pending.Handle, pending.Buffer, pending.Length);
    pending.Done.Call(pending.Done.Context, ok);
}

TTransferStart TMemoryHidPlatform::StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length,
                                                TTransferDone done, bool& ok) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    if (!Loop_ || !device || device->Answer == TMemoryHidDevice::TAnswer::AtOnce)
        return THidPlatform::StartFeature(handle, op, buffer, length, done, ok);
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(device->AnswerAfterMs);
    TPendingTransfer pending{NextTransfer_++, handle, instance, op, buffer, length, done, due, nullptr};
    if (device->Answer == TMemoryHidDevice::TAnswer::AfterDelay) {
        const uint64_t id = pending.Id;
        pending.Timer = Loop_->MakeTimer(device->AnswerAfterMs, [this, id] { End(id); });
        pending.Timer->Start();
    }
    Pending_.push_back(std::move(pending));
    return TTransferStart::Pending;
}

// Only an answer due within the wait comes; a held one does not.
bool TMemoryHidPlatform::WaitTransfer(THidHandle handle, int maxMs) {
    const auto found = std::find_if(Pending_.begin(), Pending_.end(),
                                    [handle](const TPendingTransfer& pending) { return pending.Handle == handle; });
    if (found == Pending_.end() || !found->Timer) return false;
    if (found->Due > std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs)) return false;
    std::this_thread::sleep_until(found->Due);
    End(found->Id);
    return true;
}

std::optional<std::vector<THidInterface>> TMemoryHidPlatform::Snapshot() {
    if (FailSnapshot) return std::nullopt;
    std::vector<THidInterface> interfaces;
    interfaces.reserve(Devices_.size());
    for (const auto& [instance, device] : Devices_) interfaces.push_back({instance, PathOf(instance)});
    return interfaces;
}

void TMemoryHidPlatform::Log(TWireCall call, uint32_t instance, bool ok, const uint8_t* bytes, std::size_t length) {
    if (!LogWire && !OnWire) return;
    TWireEvent event{call, instance, ok, {}};
    if (bytes) event.Bytes.assign(bytes, bytes + length);
    if (OnWire) OnWire(event);
    if (LogWire) Wire_.push_back(std::move(event));
}

THidHandle TMemoryHidPlatform::Open(const std::string& path, bool readWrite) {
    uint32_t instance = 0;
    if (path.rfind("mem:", 0) == 0) std::from_chars(path.data() + 4, path.data() + path.size(), instance);
    const auto found = Devices_.find(instance);
    const char* refusal = found == Devices_.end()                              ? "no such device"
                          : found->second->RefuseOpen                          ? "open refused"
                          : readWrite && found->second->RefuseReadWrite ? "read/write access refused"
                                                                               : nullptr;
    Log(TWireCall::Open, instance, !refusal);
    if (refusal) {
        Fail(refusal);
        return InvalidHidHandle;
    }
    const THidHandle handle = NextHandle_++;
    Handles_.push_back({handle, instance, readWrite});
    return handle;
}

std::vector<TMemoryHidPlatform::THandle>::const_iterator TMemoryHidPlatform::FindHandle(THidHandle handle) const {
    return std::find_if(Handles_.begin(), Handles_.end(), [handle](const THandle& open) { return open.Handle == handle; });
}

void TMemoryHidPlatform::Close(THidHandle handle) {
    std::erase_if(Pending_, [handle](const TPendingTransfer& pending) { return pending.Handle == handle; });
    const auto found = FindHandle(handle);
    if (found == Handles_.end()) return;
    Log(TWireCall::Close, found->Instance, true);
    Handles_.erase(found);
}

std::shared_ptr<TMemoryHidDevice> TMemoryHidPlatform::DeviceOf(THidHandle handle, uint32_t& instance,
                                                             bool& readWrite) const {
    const auto open = FindHandle(handle);
    if (open == Handles_.end()) return nullptr;
    instance = open->Instance;
    readWrite = open->ReadWrite;
    const auto device = Devices_.find(instance);
    return device == Devices_.end() ? nullptr : device->second;
}

bool TMemoryHidPlatform::GetAttributes(THidHandle handle, THidAttributes& attributes) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    const bool ok = device && !device->FailAttributes;
    if (ok) attributes = device->Attributes;
    Log(TWireCall::Attributes, instance, ok);
    return ok || Fail(device ? "simulated failure" : "device removed");
}

// A transfer's reason, or null when the device may take it.
const char* TMemoryHidPlatform::TransferRefusal(const TMemoryHidDevice* device, THidHandle handle, bool readWrite,
                                                bool failing) const {
    if (!device) return FindHandle(handle) == Handles_.end() ? "invalid handle" : "device removed";
    if (!readWrite) return "opened without read/write access";
    return failing ? "simulated failure" : nullptr;
}

bool TMemoryHidPlatform::ReadString(THidHandle handle, std::u16string TMemoryHidDevice::*field, TWireCall call,
                                    std::u16string& text) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    const bool ok = device && !device->FailStrings;
    if (ok) text = (*device).*field;
    Log(call, instance, ok);
    return ok || Fail(device ? "simulated failure" : "device removed");
}

bool TMemoryHidPlatform::GetManufacturerString(THidHandle handle, std::u16string& text) {
    return ReadString(handle, &TMemoryHidDevice::Manufacturer, TWireCall::Manufacturer, text);
}

bool TMemoryHidPlatform::GetProductString(THidHandle handle, std::u16string& text) {
    return ReadString(handle, &TMemoryHidDevice::Product, TWireCall::Product, text);
}

bool TMemoryHidPlatform::GetSerialNumberString(THidHandle handle, std::u16string& text) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    const bool ok = device && !device->FailStrings && !device->Serial.empty();
    if (ok) text = device->Serial;
    Log(TWireCall::Serial, instance, ok);
    return ok || Fail(!device ? "device removed" : device->FailStrings ? "simulated failure" : "no serial number");
}

bool TMemoryHidPlatform::GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    const char* refusal = TransferRefusal(device.get(), handle, readWrite, device && device->FailGetFeature);
    const bool ok = !refusal && device->OnGetFeature(buffer, length);
    Log(TWireCall::GetFeature, instance, ok, ok ? buffer : nullptr, ok ? length : 0);
    return ok || Fail(refusal ? refusal : "the device answered no report");
}

bool TMemoryHidPlatform::SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) {
    uint32_t instance = 0;
    bool readWrite = false;
    const auto device = DeviceOf(handle, instance, readWrite);
    // The bytes are logged as they were handed over, whatever the device does.
    const char* refusal = TransferRefusal(device.get(), handle, readWrite, device && device->FailSetFeature);
    const bool ok = !refusal && device->OnSetFeature(buffer, length);
    Log(TWireCall::SetFeature, instance, ok, buffer, length);
    return ok || Fail(refusal ? refusal : "the device refused the report");
}

}  // namespace tavik
