#pragma once
// One HID interface found by the controller: its identity, its USB attributes,
// lazily read descriptor strings and the one shared handle that carries every
// feature report.
#include <functional>
#include <string>
#include <string_view>

#include "device/platform/hid_platform.h"

namespace tavik {

class THidDevice;

using THidPlugEvent = std::function<void(THidDevice&)>;

// The plug-and-play record of one interface.
struct THidPnPInfo {
    uint32_t DeviceInstance = 0;
    std::string DevicePath;
};

// What one open of an interface tells: whether it opened, with which access,
// and its USB attributes.
struct THidProbe {
    bool Identified = false;  // it opened and its attributes were read
    bool ReadWrite = false;
    THidAttributes Attributes;
};

class THidDevice {
public:
    // Opens the interface at path once, with read and write access or else
    // with none, reads its attributes and closes it again.
    static THidProbe Probe(THidPlatform& platform, const std::string& path);

    // A device over an interface its probe identified; opens nothing.
    THidDevice(THidPlatform& platform, THidPnPInfo pnpInfo, const THidProbe& probe);
    ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    bool PluggedIn() const { return PluggedIn_; }
    bool Enumerating() const { return Enumerating_; }
    void SetEnumerating(bool value) { Enumerating_ = value; }
    // A closed handle may open only now: while the device is plugged in and
    // its arrival or removal is being announced. No client here reserves a
    // device for longer.
    bool Accessible() const { return PluggedIn_ && Enumerating_; }
    bool HasReadWriteAccess() const { return HasReadWriteAccess_; }
    bool IsOpen() const { return Handle_ != InvalidHidHandle; }

    const THidPnPInfo& PnPInfo() const { return PnPInfo_; }

    // Opens the shared handle if the device is accessible and the handle is
    // closed; true when the handle is open on return.
    bool OpenDevice();
    void CloseDevice();

    // Read once and cached; a first read closes the shared handle.
    const std::u16string& ManufacturerString();
    const std::u16string& ProductString();
    // The serial number is read once, by ReadSerialNumber, while the shared
    // handle is closed (the read opens and closes it, as a string's first
    // read does): on arrival, before the device is bound. Empty when the
    // device has none or it was not read.
    void ReadSerialNumber();
    const std::u16string& SerialNumberString() const { return SerialNumberString_; }

    uint16_t VendorID() const { return Attributes_.VendorID; }
    uint16_t ProductID() const { return Attributes_.ProductID; }
    uint16_t VersionNumber() const { return Attributes_.VersionNumber; }

    bool GetFeature(uint8_t* buffer, std::size_t length);
    bool SetFeature(const uint8_t* buffer, std::size_t length);
    // The same, ending perhaps later (THidPlatform::StartFeature).
    TTransferStart StartFeature(TFeatureOp op, uint8_t* buffer, std::size_t length, TTransferDone done, bool& ok);
    bool WaitTransfer(int maxMs) { return IsOpen() && Platform_.WaitTransfer(Handle_, maxMs); }
    // Why the last GetFeature or SetFeature that failed failed: the device's
    // own reason when no platform call could be made ("device removed",
    // "device not open"), the platform's otherwise. Good until the next call.
    std::string_view LastError() const { return OwnError_ ? std::string_view(OwnError_) : Platform_.LastError(); }

    // Closes every handle and marks the device gone.
    void Unplug();

private:
    using StringReader = bool (THidPlatform::*)(THidHandle, std::u16string&);
    const std::u16string& ReadString(std::u16string& cache, StringReader reader);
    static THidHandle OpenInterface(THidPlatform& platform, const std::string& path, bool& readWrite);
    bool OpenHandle();
    bool OpenForTransfer();

    THidPlatform& Platform_;
    THidPnPInfo PnPInfo_;
    bool PluggedIn_ = true;
    bool Enumerating_ = false;
    bool HasReadWriteAccess_ = false;
    THidHandle Handle_ = InvalidHidHandle;
    THidAttributes Attributes_;
    std::u16string ManufacturerString_;
    std::u16string ProductString_;
    std::u16string SerialNumberString_;
    bool SerialNumberRead_ = false;
    const char* OwnError_ = nullptr;  // null: the platform's LastError
};

}  // namespace tavik
