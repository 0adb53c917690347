// For the tests only, preloaded into Wine: Wine 8's HID bus (winebus.sys,
// bus_udev.c) reads a hidraw device's "manufacturer", "product" and "serial"
// from the hidraw device itself, which has none, and names every maker
// "hidraw"; its product comes from the hid parent's HID_NAME, which usbhid
// builds from both strings ("tavik.example VXLogger"). This interposes
// libudev's udev_device_get_sysattr_value(): a hidraw device asked for one of
// those attributes answers from its USB device; a hid device's uevent answers
// without HID_NAME when that USB device has a product string, so Wine reads
// the product instead. Everything else passes through. Each answer it changes
// is noted, with the process that asked, in the file named by
// TAVIK_WINE_MEND_LOG, so a test can tell the mend was where it matters.
#include <dlfcn.h>
#include <libudev.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using TGetSysattr = const char* (*)(udev_device*, const char*);

TGetSysattr Real() {
    static const auto real = reinterpret_cast<TGetSysattr>(dlsym(RTLD_NEXT, "udev_device_get_sysattr_value"));
    return real;
}

bool Is(const char* text, const char* expected) { return text && std::strcmp(text, expected) == 0; }

void Note(udev_device* device, const char* attribute, const std::string& answer) {
    const char* log = std::getenv("TAVIK_WINE_MEND_LOG");
    if (!log) return;
    char process[64] = "?";
    if (FILE* comm = std::fopen("/proc/self/comm", "r")) {
        if (std::fgets(process, sizeof process, comm)) process[std::strcspn(process, "\n")] = 0;
        std::fclose(comm);
    }
    if (FILE* out = std::fopen(log, "a")) {
        std::string shown = answer;
        for (char& c : shown)
            if (c == '\n') c = '|';
        std::fprintf(out, "%s: %s %s = %s\n", process, udev_device_get_sysname(device), attribute, shown.c_str());
        std::fclose(out);
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char* udev_device_get_sysattr_value(udev_device* device,
                                                                                            const char* attribute) {
    const TGetSysattr real = Real();
    if (!real) return nullptr;
    if (!device || !attribute) return real(device, attribute);
    const char* subsystem = udev_device_get_subsystem(device);
    udev_device* usb = nullptr;
    if (Is(subsystem, "hidraw") || Is(subsystem, "hid"))
        usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (!usb) return real(device, attribute);

    if (Is(subsystem, "hidraw") &&
        (Is(attribute, "manufacturer") || Is(attribute, "product") || Is(attribute, "serial"))) {
        const char* value = real(usb, attribute);
        if (value) Note(device, attribute, value);
        return value;
    }
    const char* product = real(usb, "product");
    if (Is(subsystem, "hid") && Is(attribute, "uevent") && product && *product) {
        const char* uevent = real(device, attribute);
        if (!uevent) return uevent;
        // Kept per thread until the next call: Wine parses it at once.
        thread_local std::string mended;
        mended.clear();
        for (const char* line = uevent; *line;) {
            const char* end = std::strchr(line, '\n');
            const std::size_t length = end ? end - line + 1 : std::strlen(line);
            if (std::strncmp(line, "HID_NAME=", 9) != 0) mended.append(line, length);
            line += length;
        }
        if (mended != uevent) Note(device, attribute, mended);
        return mended.c_str();
    }
    return real(device, attribute);
}
