#include "hid_device.h"

namespace tavik {

THidProbe THidDevice::Probe(THidPlatform& platform, const std::string& path) {
    THidProbe probe;
    const THidHandle handle = OpenInterface(platform, path, probe.ReadWrite);
    if (handle == InvalidHidHandle) return probe;
    probe.Identified = platform.GetAttributes(handle, probe.Attributes);
    platform.Close(handle);
    return probe;
}

THidDevice::THidDevice(THidPlatform& platform, THidPnPInfo pnpInfo, const THidProbe& probe)
    : Platform_(platform), PnPInfo_(std::move(pnpInfo)), HasReadWriteAccess_(probe.ReadWrite),
      Attributes_(probe.Attributes) {}

THidDevice::~THidDevice() { CloseDevice(); }

// Read and write access first; a device that refuses it (a keyboard, a mouse)
// is still opened with no access so that it can be identified.
THidHandle THidDevice::OpenInterface(THidPlatform& platform, const std::string& path, bool& readWrite) {
    THidHandle handle = platform.Open(path, true);
    readWrite = handle != InvalidHidHandle;
    if (handle == InvalidHidHandle) handle = platform.Open(path, false);
    return handle;
}

bool THidDevice::OpenHandle() {
    Handle_ = OpenInterface(Platform_, PnPInfo_.DevicePath, HasReadWriteAccess_);
    return Handle_ != InvalidHidHandle;
}

bool THidDevice::OpenDevice() {
    if (Accessible() && Handle_ == InvalidHidHandle) OpenHandle();
    return Handle_ != InvalidHidHandle;
}

void THidDevice::CloseDevice() {
    if (Handle_ != InvalidHidHandle) {
        Platform_.Close(Handle_);
        Handle_ = InvalidHidHandle;
    }
}

const std::u16string& THidDevice::ReadString(std::u16string& cache, StringReader reader) {
    if (cache.empty() && OpenDevice()) {
        std::u16string text;
        if ((Platform_.*reader)(Handle_, text)) {
            const auto end = text.find(u'\0');
            if (end != std::u16string::npos) text.resize(end);
            if (text.size() > MaxHidStringLength) text.resize(MaxHidStringLength);
            cache = std::move(text);
        }
        CloseDevice();
    }
    return cache;
}

const std::u16string& THidDevice::ManufacturerString() {
    return ReadString(ManufacturerString_, &THidPlatform::GetManufacturerString);
}

const std::u16string& THidDevice::ProductString() {
    return ReadString(ProductString_, &THidPlatform::GetProductString);
}

void THidDevice::ReadSerialNumber() {
    if (SerialNumberRead_ || IsOpen()) return;
    SerialNumberRead_ = true;
    ReadString(SerialNumberString_, &THidPlatform::GetSerialNumberString);
}

// A closed handle opens only while the device is accessible; the open's own
// failure is the platform's to tell.
bool THidDevice::OpenForTransfer() {
    OwnError_ = nullptr;
    if (OpenDevice()) return true;
    if (!PluggedIn_) OwnError_ = "device removed";
    else if (!Accessible()) OwnError_ = "device not open";
    return false;
}

bool THidDevice::GetFeature(uint8_t* buffer, std::size_t length) {
    return OpenForTransfer() && Platform_.GetFeature(Handle_, buffer, length);
}

bool THidDevice::SetFeature(const uint8_t* buffer, std::size_t length) {
    return OpenForTransfer() && Platform_.SetFeature(Handle_, buffer, length);
}

TTransferStart THidDevice::StartFeature(TFeatureOp op, uint8_t* buffer, std::size_t length, TTransferDone done,
                                        bool& ok) {
    ok = false;
    if (!OpenForTransfer()) return TTransferStart::Finished;
    return Platform_.StartFeature(Handle_, op, buffer, length, done, ok);
}

void THidDevice::Unplug() {
    CloseDevice();
    PluggedIn_ = false;
}

}  // namespace tavik
