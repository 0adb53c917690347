#include "usb_device.h"

#include <fcntl.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "device/instrument_identity.h"
#include "device/report_exchange.h"

namespace tavik::sim {

namespace {

constexpr uint8_t HidClassDescriptor = 0x21;
constexpr uint8_t HidReportDescriptor = 0x22;
constexpr uint8_t HidGetReport = 0x01;
constexpr uint8_t HidSetReport = 0x09;
constexpr uint8_t HidSetIdle = 0x0A;
constexpr uint8_t FeatureReport = 3;
constexpr uint16_t ModuleVersion = 0x0100;

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

// The HID class descriptor that follows the interface descriptor.
std::vector<uint8_t> HidDescriptor() {
    std::vector<uint8_t> out{9, HidClassDescriptor};
    Put16(out, 0x0111);  // HID 1.11
    out.push_back(0);    // no country
    out.push_back(1);    // one class descriptor follows: the report descriptor
    out.push_back(HidReportDescriptor);
    Put16(out, sizeof ModuleReportDescriptor);
    return out;
}

// Interface, HID and interrupt-IN endpoint descriptors for one speed. The
// class requires the endpoint; the modules send nothing on it.
void PutInterface(std::vector<uint8_t>& out, uint8_t interval) {
    const uint8_t interface[] = {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 1, USB_CLASS_HID, 0, 0, 0};
    out.insert(out.end(), std::begin(interface), std::end(interface));
    const std::vector<uint8_t> hid = HidDescriptor();
    out.insert(out.end(), hid.begin(), hid.end());
    const uint8_t endpoint[] = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, USB_DIR_IN | 1, USB_ENDPOINT_XFER_INT, 8, 0, interval};
    out.insert(out.end(), std::begin(endpoint), std::end(endpoint));
}

}  // namespace

TUsbDevice::TUsbDevice(std::shared_ptr<TModuleSimulator> module, std::string label, std::string udc)
    : TVirtualDevice(std::move(module), label), Gadget_("tavik-" + label, std::move(udc)) {}

TUsbDevice::~TUsbDevice() {
    Gadget_.Unplug();
    if (Ep0_ >= 0) ::close(Ep0_);
    Gadget_.Remove();
}

bool TUsbDevice::WriteDescriptors(std::string& error) {
    std::vector<uint8_t> body;
    Put32(body, 3);  // full-speed descriptors
    Put32(body, 3);  // high-speed descriptors
    PutInterface(body, 10);  // 10 ms
    PutInterface(body, 7);   // 2^(7-1) x 125 us = 8 ms
    std::vector<uint8_t> blob;
    Put32(blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    Put32(blob, static_cast<uint32_t>(12 + body.size()));
    Put32(blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    blob.insert(blob.end(), body.begin(), body.end());
    // No strings of the function's own: the device's come from configfs.
    std::vector<uint8_t> strings;
    Put32(strings, FUNCTIONFS_STRINGS_MAGIC);
    Put32(strings, 16);
    Put32(strings, 0);
    Put32(strings, 0);
    if (::write(Ep0_, blob.data(), blob.size()) != static_cast<ssize_t>(blob.size()) ||
        ::write(Ep0_, strings.data(), strings.size()) != static_cast<ssize_t>(strings.size())) {
        error = "FunctionFS took no descriptors for " + Label() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool TUsbDevice::Create(std::string& error) {
    if (Created()) return true;
    const std::string serial = Label() + "-" + std::to_string(++Plugs_);
    if (!Gadget_.Made()) {
        const TUsbIdentity identity{InstrumentVendorID, InstrumentProductID, ModuleVersion,
                                    Ascii(Module()->Manufacturer), Ascii(Module()->Product), serial};
        if (!Gadget_.Make(identity, error)) return false;
        Ep0_ = ::open(Gadget_.Ep0().c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (Ep0_ < 0) {
            error = "cannot open " + Gadget_.Ep0() + ": " + std::strerror(errno);
            return false;
        }
        if (!WriteDescriptors(error)) return false;
    } else if (!Gadget_.SetSerial(serial, error)) {
        return false;
    }
    return Gadget_.Plug(error);
}

void TUsbDevice::Destroy() {
    Gadget_.Unplug();
    Held_.reset();
}

bool TUsbDevice::AnswerLate(int ms) {
    LateMs_ = ms;
    return true;
}

std::optional<TVirtualDevice::TClock::time_point> TUsbDevice::Due() const {
    if (!Held_ || Hung()) return std::nullopt;
    return HeldUntil_;
}

void TUsbDevice::Answer(bool verbose) {
    if (!Held_ || Hung() || TClock::now() < HeldUntil_) return;
    const usb_ctrlrequest request = *Held_;
    Held_.reset();
    Answer(request, verbose);
}

void TUsbDevice::HandleEvent(bool verbose) {
    usb_functionfs_event event{};
    if (::read(Ep0_, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) return;
    // BIND, ENABLE, SUSPEND and the like need no answer.
    if (event.type != FUNCTIONFS_SETUP) return;
    if (Hung()) {
        // Held, and ep0 not read meanwhile (a read would stall the request):
        // the host's control transfer is NAKed until it gives up. Answered
        // once the module answers again.
        Held_ = event.u.setup;
        HeldUntil_ = TClock::now();
        if (verbose) std::printf("%s: not answering\n", Label().c_str());
        std::fflush(stdout);
        return;
    }
    if (LateMs_ > 0) {
        Held_ = event.u.setup;
        HeldUntil_ = TClock::now() + std::chrono::milliseconds(LateMs_);
        LateMs_ = 0;
        std::printf("%s: answering late\n", Label().c_str());
        std::fflush(stdout);
        return;
    }
    Answer(event.u.setup, verbose);
}

void TUsbDevice::Answer(const usb_ctrlrequest& request, bool verbose) {
    const uint16_t value = le16toh(request.wValue);
    const uint16_t length = le16toh(request.wLength);
    const uint8_t type = request.bRequestType & USB_TYPE_MASK;
    const bool in = request.bRequestType & USB_DIR_IN;
    if (type == USB_TYPE_STANDARD && in && request.bRequest == USB_REQ_GET_DESCRIPTOR) {
        if (value >> 8 == HidReportDescriptor) return Send(ModuleReportDescriptor, sizeof ModuleReportDescriptor, length);
        if (value >> 8 == HidClassDescriptor) {
            const std::vector<uint8_t> hid = HidDescriptor();
            return Send(hid.data(), hid.size(), length);
        }
    } else if (type == USB_TYPE_CLASS && in && request.bRequest == HidGetReport && value == FeatureReport << 8) {
        // The report number first, then the 8 frame bytes: without report IDs
        // only the frame travels.
        uint8_t report[ReportSize] = {};
        if (Module()->GetReport(report, ReportSize)) {
            if (verbose) PrintFrame("->", report + 1, FrameSize);
            return Send(report + 1, FrameSize, length);
        }
    } else if (type == USB_TYPE_CLASS && !in && request.bRequest == HidSetReport && value == FeatureReport << 8) {
        uint8_t report[ReportSize + 56] = {};
        const std::size_t got = Receive(report + 1, sizeof report - 1);
        if (verbose && got >= FrameSize) PrintFrame("<-", report + 1, FrameSize);
        // The data stage is over: a frame the module refuses is lost, as on a wire.
        Module()->SetReport(report, got + 1);
        return;
    } else if (type == USB_TYPE_CLASS && !in && request.bRequest == HidSetIdle) {
        Receive(nullptr, 0);
        return;
    }
    Stall(request);
}

void TUsbDevice::Send(const uint8_t* data, std::size_t length, uint16_t asked) {
    const std::size_t size = length < asked ? length : asked;
    if (::write(Ep0_, data, size) < 0)
        std::fprintf(stderr, "tavik-sim: %s: an answer on endpoint 0 failed: %s\n", Label().c_str(), std::strerror(errno));
}

std::size_t TUsbDevice::Receive(uint8_t* data, std::size_t room) {
    uint8_t none = 0;
    const ssize_t got = ::read(Ep0_, data ? data : &none, data ? room : 1);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

// FunctionFS stalls a request when it is answered the other way round.
void TUsbDevice::Stall(const usb_ctrlrequest& request) {
    uint8_t none = 0;
    if (request.bRequestType & USB_DIR_IN) {
        [[maybe_unused]] const ssize_t ignored = ::read(Ep0_, &none, 1);
    } else {
        [[maybe_unused]] const ssize_t ignored = ::write(Ep0_, &none, 1);
    }
}

}  // namespace tavik::sim
