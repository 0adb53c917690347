#include "hid_device.h"

#include "common/errors.h"

namespace tavik {

THidDevice::THidDevice(THidPlatform& platform, THidPnPInfo pnpInfo, THidDeviceController* owner)
    : Platform_(platform), Owner_(owner), PnPInfo_(std::move(pnpInfo)) {
    if (!OpenHandle()) throw EControllerError("Device cannot be opened");
    if (!Platform_.GetAttributes(Handle_, Attributes_)) {
        CloseDevice();
        throw EControllerError("Device cannot be identified");
    }
    CloseDevice();
}

THidDevice::~THidDevice() {
    UnplugCallback_ = nullptr;
    CloseDevice();
}

// Read and write access first; a device that refuses it (a keyboard, a mouse)
// is still opened with no access so that it can be identified.
bool THidDevice::OpenHandle() {
    Handle_ = Platform_.Open(PnPInfo_.DevicePath, true);
    HasReadWriteAccess_ = Handle_ != InvalidHidHandle;
    if (Handle_ == InvalidHidHandle) Handle_ = Platform_.Open(PnPInfo_.DevicePath, false);
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

bool THidDevice::GetFeature(uint8_t* buffer, std::size_t length) {
    if (!OpenDevice()) return false;
    return Platform_.GetFeature(Handle_, buffer, length);
}

bool THidDevice::SetFeature(const uint8_t* buffer, std::size_t length) {
    if (!OpenDevice()) return false;
    return Platform_.SetFeature(Handle_, buffer, length);
}

void THidDevice::Unplug() {
    CloseDevice();
    PluggedIn_ = false;
    if (UnplugCallback_) {
        auto callback = std::move(UnplugCallback_);
        UnplugCallback_ = nullptr;
        callback(*this);
    }
}

}  // namespace tavik
