#include "usb_gadget.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavik::sim {

namespace {

constexpr const char* ConfigFs = "/sys/kernel/config";
constexpr const char* Gadgets = "/sys/kernel/config/usb_gadget";
constexpr const char* MountBase = "/run/tavik-sim";

bool Exists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

bool Write(const std::string& path, const std::string& text, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return ok;
}

bool MakeFolder(const std::string& path, std::string& error) {
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    error = "cannot make " + path + ": " + std::strerror(errno);
    return false;
}

std::string Hex(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

}  // namespace

TUsbGadget::TUsbGadget(std::string name, std::string udc)
    : Name_(std::move(name)), Udc_(std::move(udc)), Root_(std::string(Gadgets) + "/" + Name_),
      MountPoint_(std::string(MountBase) + "/" + Name_) {}

TUsbGadget::~TUsbGadget() { Remove(); }

std::vector<std::string> TUsbGadget::Controllers(std::string& error) {
    // configfs is usually mounted by the system; a bare test machine may not have done it.
    if (!Exists(Gadgets)) ::mount("none", ConfigFs, "configfs", 0, nullptr);
    if (!Exists(Gadgets)) {
        error = std::string("no USB gadgets in configfs (") + Gadgets + "): load configfs, then libcomposite";
        return {};
    }
    std::vector<std::string> names;
    if (DIR* folder = ::opendir("/sys/class/udc")) {
        while (dirent* entry = ::readdir(folder))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        ::closedir(folder);
    }
    // dummy_udc.10 after dummy_udc.9.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    if (names.empty()) error = "no USB device controller in /sys/class/udc: load dummy_hcd (num=3 for three modules)";
    return names;
}

bool TUsbGadget::Make(const TUsbIdentity& id, std::string& error) {
    Remove();  // what an earlier run that was killed left behind
    Made_ = true;
    const std::string strings = Root_ + "/strings/0x409";
    const std::string config = Root_ + "/configs/c.1";
    const std::string function = Root_ + "/functions/ffs." + Name_;
    const bool made = MakeFolder(Root_, error) && Write(Root_ + "/idVendor", Hex(id.Vendor), error) &&
                      Write(Root_ + "/idProduct", Hex(id.Product), error) &&
                      Write(Root_ + "/bcdDevice", Hex(id.BcdDevice), error) &&
                      Write(Root_ + "/bcdUSB", Hex(0x0200), error) && MakeFolder(strings, error) &&
                      Write(strings + "/manufacturer", id.Manufacturer, error) &&
                      Write(strings + "/product", id.ProductName, error) &&
                      Write(strings + "/serialnumber", id.Serial, error) && MakeFolder(config, error) &&
                      Write(config + "/MaxPower", "100", error) && MakeFolder(function, error);
    if (!made) return false;
    if (::symlink(function.c_str(), (config + "/ffs." + Name_).c_str()) != 0 && errno != EEXIST) {
        error = "cannot link the function into the configuration: " + std::string(std::strerror(errno));
        return false;
    }
    if (!MakeFolder(MountBase, error) || !MakeFolder(MountPoint_, error)) return false;
    if (::mount(Name_.c_str(), MountPoint_.c_str(), "functionfs", 0, nullptr) != 0) {
        error = "cannot mount FunctionFS " + Name_ + ": " + std::strerror(errno) + " (load usb_f_fs)";
        return false;
    }
    return true;
}

bool TUsbGadget::SetSerial(const std::string& serial, std::string& error) {
    return Write(Root_ + "/strings/0x409/serialnumber", serial, error);
}

bool TUsbGadget::Plug(std::string& error) {
    if (!Write(Root_ + "/UDC", Udc_, error)) return false;
    Plugged_ = true;
    return true;
}

void TUsbGadget::Unplug() {
    if (!Plugged_) return;
    std::string ignored;
    Write(Root_ + "/UDC", "\n", ignored);
    Plugged_ = false;
}

void TUsbGadget::Remove() {
    if (!Made_ && !Exists(Root_)) return;
    Plugged_ = true;  // a gadget left behind may still be plugged in
    Unplug();
    if (Exists(MountPoint_ + "/ep0")) ::umount(MountPoint_.c_str());
    ::rmdir(MountPoint_.c_str());
    // configfs takes a gadget apart only in this order, links first.
    ::unlink((Root_ + "/configs/c.1/ffs." + Name_).c_str());
    ::rmdir((Root_ + "/configs/c.1").c_str());
    ::rmdir((Root_ + "/functions/ffs." + Name_).c_str());
    ::rmdir((Root_ + "/strings/0x409").c_str());
    ::rmdir(Root_.c_str());
    Made_ = false;
}

}  // namespace tavik::sim
