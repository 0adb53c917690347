#include "uhid_device.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/instrument_identity.h"

namespace tavik::sim {

namespace {
bool Send(int fd, const uhid_event& event) {
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}
}  // namespace

TUhidDevice::~TUhidDevice() { Destroy(); }

bool TUhidDevice::Create(std::string& error) {
    Fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (Fd_ < 0) {
        error = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
        return false;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name, "%s", Name().c_str());
    std::snprintf(reinterpret_cast<char*>(event.u.create2.uniq), sizeof event.u.create2.uniq, "%s", Label().c_str());
    std::snprintf(reinterpret_cast<char*>(event.u.create2.phys), sizeof event.u.create2.phys, "tavik-sim/%s", Label().c_str());
    std::memcpy(event.u.create2.rd_data, ModuleReportDescriptor, sizeof ModuleReportDescriptor);
    event.u.create2.rd_size = sizeof ModuleReportDescriptor;
    // hidapi lists only devices on the USB (or Bluetooth) bus.
    event.u.create2.bus = BUS_USB;
    event.u.create2.vendor = InstrumentVendorID;
    event.u.create2.product = InstrumentProductID;
    event.u.create2.version = 0x0100;
    if (!Send(Fd_, event)) {
        error = std::string("UHID_CREATE2 failed: ") + std::strerror(errno);
        ::close(Fd_);
        Fd_ = -1;
        return false;
    }
    return true;
}

void TUhidDevice::Destroy() {
    if (Fd_ < 0) return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    Send(Fd_, event);
    ::close(Fd_);
    Fd_ = -1;
}

void TUhidDevice::HandleEvent(bool verbose) {
    uhid_event event{};
    const ssize_t got = ::read(Fd_, &event, sizeof event);
    if (got <= 0) return;
    uhid_event reply{};
    if (Hung() && (event.type == UHID_GET_REPORT || event.type == UHID_SET_REPORT)) {
        // Unanswered: uhid gives the request up after its five seconds.
        if (verbose) std::printf("%s: not answering\n", Label().c_str());
        return;
    }
    switch (event.type) {
    case UHID_GET_REPORT: {
        // The answer is the report number followed by the 8 frame bytes; a
        // report that cannot be answered gets an error, never silence.
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = event.u.get_report.id;
        uint8_t* data = reply.u.get_report_reply.data;
        const bool feature = event.u.get_report.rtype == UHID_FEATURE_REPORT && event.u.get_report.rnum == 0;
        if (feature && Module()->GetReport(data, ReportSize)) {
            reply.u.get_report_reply.size = ReportSize;
            if (verbose) PrintFrame("->", data + 1, FrameSize);
        } else {
            reply.u.get_report_reply.err = EIO;
        }
        Send(Fd_, reply);
        break;
    }
    case UHID_SET_REPORT: {
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = event.u.set_report.id;
        const bool feature = event.u.set_report.rtype == UHID_FEATURE_REPORT;
        const std::size_t size = event.u.set_report.size;
        if (verbose && size >= ReportSize) PrintFrame("<-", event.u.set_report.data + 1, FrameSize);
        if (!feature || !Module()->SetReport(event.u.set_report.data, size)) reply.u.set_report_reply.err = EIO;
        Send(Fd_, reply);
        break;
    }
    default:
        // START, STOP, OPEN, CLOSE and output reports need no answer.
        break;
    }
}

}  // namespace tavik::sim
