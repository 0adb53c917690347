#pragma once
// The one interface between the device layer and the operating system's HID
// services. The Linux implementation uses libudev and hidapi; the in-memory one
// serves the tests; the Windows one binds SetupAPI and HID.dll at run time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// One present HID interface in a snapshot.
struct THidInterface {
    uint32_t DeviceInstance = 0;  // stable while the device stays; new after a replug
    std::string DevicePath;       // what Open takes
};

struct THidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// A platform handle; InvalidHidHandle while closed.
using THidHandle = intptr_t;
constexpr THidHandle InvalidHidHandle = -1;

// Why a device-tree-changed notice comes: the controller's own notice at
// start-up (it raises OnDeviceChange even when nothing changed), or the
// system's word that devices came or went.
enum class THidChangeNotice { StartUp, DeviceTreeChanged };

// A feature transfer that may end after the call that starts it: the
// platform's word that it is done, called on the loop's thread with its
// result.
enum class TFeatureOp { Get, Set };
enum class TTransferStart { Finished, Pending };
struct TTransferDone {
    void (*Call)(void* context, bool ok) = nullptr;
    void* Context = nullptr;
};

// Descriptor strings are kept to this many UTF-16 code units.
constexpr std::size_t MaxHidStringLength = 254;

class THidPlatform {
public:
    virtual ~THidPlatform() = default;

    // False when the platform's HID services could not be set up at all.
    virtual bool Available() const = 0;

    // The interfaces present now, in enumeration order; nothing when no
    // snapshot could be taken at all, which is not the same as an empty one.
    virtual std::optional<std::vector<THidInterface>> Snapshot() = 0;

    // Opens the interface at path: with read and write access, or, when
    // readWrite is false, with no access (enough for attributes and strings).
    virtual THidHandle Open(const std::string& path, bool readWrite) = 0;
    virtual void Close(THidHandle handle) = 0;

    virtual bool GetAttributes(THidHandle handle, THidAttributes& attributes) = 0;
    virtual bool GetManufacturerString(THidHandle handle, std::u16string& text) = 0;
    virtual bool GetProductString(THidHandle handle, std::u16string& text) = 0;
    // The device's serial number string; false where it has none.
    virtual bool GetSerialNumberString(THidHandle handle, std::u16string& text) = 0;

    // Feature reports; byte 0 of buffer is the report ID and length counts it.
    virtual bool GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) = 0;
    virtual bool SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) = 0;

    // Starts a feature transfer on handle. Finished: it has ended, its result
    // in ok, and done is not called. Pending: done is called from the loop when
    // it ends, and until then the buffer belongs to the platform. Closing the
    // handle ends the wait: done is not called, nor the buffer touched, once
    // Close has returned. One transfer at a time on a handle. A platform that
    // has nothing better carries it out at once.
    virtual TTransferStart StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length,
                                        TTransferDone /*done*/, bool& ok) {
        ok = op == TFeatureOp::Get ? GetFeature(handle, buffer, length) : SetFeature(handle, buffer, length);
        return TTransferStart::Finished;
    }
    // Waits on the loop's thread at most maxMs for the pending transfer on
    // handle to end; when it does, its done has been called on return.
    virtual bool WaitTransfer(THidHandle /*handle*/, int /*maxMs*/) { return false; }

    // Why the last call that failed failed, as hidapi's hid_error tells it:
    // the system's own words (hidapi's, errno's, FormatMessage's) or what the
    // platform found itself ("device removed"). A call that succeeds leaves
    // it as it was, so that success costs nothing.
    const std::string& LastError() const { return LastError_; }

    // Called on the loop's thread whenever the set of devices may have
    // changed.
    void SetDeviceChangeHandler(std::function<void(THidChangeNotice)> handler) {
        DeviceChangeHandler_ = std::move(handler);
    }

    // Queues the controller's start-up notice through the platform's own
    // notification path; false where it has none (the event loop's Post
    // carries it then).
    virtual bool PostStartupNotice() { return false; }

protected:
    // Keeps the reason and returns false.
    bool Fail(std::string_view reason) {
        LastError_.assign(reason);
        return false;
    }
    void RaiseDeviceChange(THidChangeNotice notice = THidChangeNotice::DeviceTreeChanged) {
        if (DeviceChangeHandler_) DeviceChangeHandler_(notice);
    }

private:
    std::function<void(THidChangeNotice)> DeviceChangeHandler_;
    std::string LastError_;
};

}  // namespace tavik
