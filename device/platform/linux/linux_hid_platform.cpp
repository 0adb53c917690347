#include "linux_hid_platform.h"

#include <hidapi/hidapi.h>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/utf8_text.h"

namespace tavik {

namespace {
std::string Text(const char* value) { return value ? std::string(value) : std::string(); }

// hidapi's reason for its last failure on device (none: its open's).
std::string HidApiError(hid_device* device) {
    const wchar_t* text = hid_error(device);
    return text ? Utf8Of(std::wstring_view(text)) : std::string("unknown error");
}

// Ownership of one libudev device reference.
struct TUdevDevice {
    udev_device* Device;
    explicit TUdevDevice(udev_device* device) : Device(device) {}
    ~TUdevDevice() {
        if (Device) udev_device_unref(Device);
    }
    TUdevDevice(const TUdevDevice&) = delete;
    TUdevDevice& operator=(const TUdevDevice&) = delete;
};
}  // namespace

TLinuxHidPlatform::TLinuxHidPlatform(TEventLoop& loop) : Loop_(loop) {
    HidApiReady_ = hid_init() == 0;
    Udev_ = udev_new();
    if (!Udev_) return;
    // udevd announces a node once its rules (permissions among them) are
    // applied; without udevd the kernel's own events are all there is.
    const bool udevdRuns = access("/run/udev/control", F_OK) == 0;
    MonitorSource_ = udevdRuns ? "udev" : "kernel";
    Monitor_ = udev_monitor_new_from_netlink(Udev_, MonitorSource_);
    if (!Monitor_) return;
    udev_monitor_filter_add_match_subsystem_devtype(Monitor_, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(Monitor_) < 0) {
        udev_monitor_unref(Monitor_);
        Monitor_ = nullptr;
        return;
    }
    MonitorWatch_ = loop.WatchReadable(udev_monitor_get_fd(Monitor_), [this] { ReadMonitor(); });
}

TLinuxHidPlatform::~TLinuxHidPlatform() {
    MonitorWatch_.reset();
    for (auto& [handle, node] : Open_) CloseNode(node);
    Open_.clear();
    if (Monitor_) udev_monitor_unref(Monitor_);
    if (Udev_) udev_unref(Udev_);
    if (HidApiReady_) hid_exit();
}

void TLinuxHidPlatform::ReadMonitor() {
    bool changed = false;
    while (udev_device* raw = udev_monitor_receive_device(Monitor_)) {
        TUdevDevice device(raw);
        changed |= linux_hid::IsDeviceTreeChange(Text(udev_device_get_subsystem(raw)), Text(udev_device_get_action(raw)));
    }
    if (changed) RaiseDeviceChange();
}

bool TLinuxHidPlatform::Describe(const std::string& devnode, TNodeInfo& info) const {
    struct stat status {};
    if (!Udev_ || stat(devnode.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return false;
    TUdevDevice hidraw(udev_device_new_from_devnum(Udev_, 'c', status.st_rdev));
    if (!hidraw.Device) return false;
    // The parents belong to the child reference and need no unref.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw.Device, "hid", nullptr);
    if (!hid) return false;
    const auto sequence = linux_hid::SequenceFromHidName(Text(udev_device_get_sysname(hid)));
    const auto id = linux_hid::ParseHidId(Text(udev_device_get_property_value(hid, "HID_ID")));
    if (!sequence || !id) return false;
    info.Instance = *sequence;
    info.Attributes = {id->Vendor, id->Product, 0};
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw.Device, "usb", "usb_device");
    if (usb) {
        const auto version = linux_hid::ParseBcdDevice(Text(udev_device_get_sysattr_value(usb, "bcdDevice")));
        if (version) info.Attributes.VersionNumber = *version;
    }
    const linux_hid::TDeviceStrings strings = linux_hid::ChooseStrings(
        usb != nullptr, Text(usb ? udev_device_get_sysattr_value(usb, "manufacturer") : nullptr),
        Text(usb ? udev_device_get_sysattr_value(usb, "product") : nullptr), id->Bus,
        Text(udev_device_get_property_value(hid, "HID_NAME")));
    info.Manufacturer = Utf16Of(strings.Manufacturer);
    info.Product = Utf16Of(strings.Product);
    info.Serial = Utf16Of(Text(udev_device_get_property_value(hid, "HID_UNIQ")));
    return true;
}

std::optional<std::vector<THidInterface>> TLinuxHidPlatform::Snapshot() {
    if (!Udev_) return std::nullopt;
    udev_enumerate* enumerate = udev_enumerate_new(Udev_);
    if (!enumerate) return std::nullopt;
    // A scan that fails tells nothing about what is gone.
    if (udev_enumerate_add_match_subsystem(enumerate, "hidraw") < 0 || udev_enumerate_scan_devices(enumerate) < 0) {
        udev_enumerate_unref(enumerate);
        return std::nullopt;
    }
    std::vector<THidInterface> interfaces;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        TUdevDevice device(udev_device_new_from_syspath(Udev_, udev_list_entry_get_name(entry)));
        if (!device.Device) continue;
        const std::string devnode = Text(udev_device_get_devnode(device.Device));
        TNodeInfo info;
        if (devnode.empty() || !Describe(devnode, info)) continue;
        interfaces.push_back({info.Instance, devnode});
    }
    udev_enumerate_unref(enumerate);
    return interfaces;
}

// On the loop's thread. The kernel's hidraw open takes the lock every
// hidraw ioctl holds for reading, so while one module's transfer hangs an open
// of another (a module just plugged in) waits for it, up to usbhid's five
// seconds; closes go to the node's own thread and never wait.
THidHandle TLinuxHidPlatform::Open(const std::string& path, bool readWrite) {
    TOpenNode node;
    if (!Describe(path, node.Info)) {
        Fail(path + ": no hidraw device udev knows");
        return InvalidHidHandle;
    }
    if (readWrite) {
        node.Device = hid_open_path(path.c_str());
        if (!node.Device) {
            Fail(HidApiError(nullptr));
            return InvalidHidHandle;
        }
    }
    const THidHandle handle = NextHandle_++;
    Open_[handle] = std::move(node);
    return handle;
}

// A node with a thread is closed by it, once no transfer holds it: a close
// here would wait for the module as the transfer does.
void TLinuxHidPlatform::CloseNode(TOpenNode& node) {
    node.WorkerWatch.reset();
    if (node.Worker)
        node.Worker.reset();
    else if (node.Device)
        hid_close(node.Device);
    node.Device = nullptr;
}

void TLinuxHidPlatform::Close(THidHandle handle) {
    const auto found = Open_.find(handle);
    if (found == Open_.end()) return;
    CloseNode(found->second);
    Open_.erase(found);
}

TTransferStart TLinuxHidPlatform::StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length,
                                               TTransferDone done, bool& ok) {
    const auto found = Open_.find(handle);
    TOpenNode* node = found == Open_.end() ? nullptr : &found->second;
    if (node && node->Device && !node->Worker) {
        // Without a watch the loop could not hear the end: the transfer is
        // carried out here then.
        auto worker = TLinuxTransferWorker::Start(node->Device);
        if (worker) {
            auto watch = Loop_.WatchReadable(worker->Descriptor(), [this, handle] { EndTransfer(handle); });
            if (watch) {
                node->Worker = std::move(worker);
                node->WorkerWatch = std::move(watch);
            } else {
                worker->Disown();
            }
        }
    }
    if (!node || !node->Worker) return THidPlatform::StartFeature(handle, op, buffer, length, done, ok);
    if (!node->Worker->Begin(op, buffer, length)) {
        ok = Fail(node->Worker->Busy() ? "a transfer is under way" : "report too long");
        return TTransferStart::Finished;
    }
    node->Answer = buffer;
    node->AnswerLength = length;
    node->Done = done;
    return TTransferStart::Pending;
}

void TLinuxHidPlatform::EndTransfer(THidHandle handle) {
    const auto found = Open_.find(handle);
    if (found == Open_.end() || !found->second.Worker) return;
    TOpenNode& node = found->second;
    bool ok = false;
    std::string error;
    if (!node.Worker->TakeResult(node.Answer, node.AnswerLength, ok, error)) return;
    if (!ok) Fail(error);
    const TTransferDone done = node.Done;
    node.Answer = nullptr;
    node.Done = {};
    if (done.Call) done.Call(done.Context, ok);
}

bool TLinuxHidPlatform::WaitTransfer(THidHandle handle, int maxMs) {
    const TOpenNode* node = Node(handle);
    if (!node || !node->Worker || !node->Worker->Busy() || !node->Worker->Wait(maxMs)) return false;
    EndTransfer(handle);
    return true;
}

const TLinuxHidPlatform::TOpenNode* TLinuxHidPlatform::Node(THidHandle handle) const {
    const auto found = Open_.find(handle);
    return found == Open_.end() ? nullptr : &found->second;
}

bool TLinuxHidPlatform::GetAttributes(THidHandle handle, THidAttributes& attributes) {
    const TOpenNode* node = Node(handle);
    if (!node) return Fail("invalid handle");
    attributes = node->Info.Attributes;
    return true;
}

bool TLinuxHidPlatform::GetManufacturerString(THidHandle handle, std::u16string& text) {
    const TOpenNode* node = Node(handle);
    if (!node) return Fail("invalid handle");
    text = node->Info.Manufacturer;
    return true;
}

bool TLinuxHidPlatform::GetProductString(THidHandle handle, std::u16string& text) {
    const TOpenNode* node = Node(handle);
    if (!node) return Fail("invalid handle");
    text = node->Info.Product;
    return true;
}

bool TLinuxHidPlatform::GetSerialNumberString(THidHandle handle, std::u16string& text) {
    const TOpenNode* node = Node(handle);
    if (!node) return Fail("invalid handle");
    if (node->Info.Serial.empty()) return Fail("no serial number");
    text = node->Info.Serial;
    return true;
}

bool TLinuxHidPlatform::GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) {
    const TOpenNode* node = Node(handle);
    if (!node || !node->Device) return Fail(node ? "opened without read/write access" : "invalid handle");
    if (node->Worker && node->Worker->Busy()) return Fail("a transfer is under way");
    const int read = hid_get_feature_report(node->Device, buffer, length);
    if (read < 0) return Fail(HidApiError(node->Device));
    if (read == 0) return Fail("short read: 0 of " + std::to_string(length) + " bytes");
    return true;
}

bool TLinuxHidPlatform::SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) {
    const TOpenNode* node = Node(handle);
    if (!node || !node->Device) return Fail(node ? "opened without read/write access" : "invalid handle");
    if (node->Worker && node->Worker->Busy()) return Fail("a transfer is under way");
    return hid_send_feature_report(node->Device, buffer, length) >= 0 || Fail(HidApiError(node->Device));
}

}  // namespace tavik
