// The controller's pass fed with arbitrary sequences of interfaces appearing,
// disappearing and failing: after every pass its list is exactly the present
// interfaces that can be opened and identified, each announced once.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>

#include "device/hid_device_controller.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavik::TMemoryHidPlatform platform;
    std::vector<std::shared_ptr<tavik::TMemoryHidDevice>> devices;
    std::set<const tavik::THidDevice*> announced;
    int arrivals = 0;
    int removals = 0;
    {
        tavik::TManualEventLoop loop;
        tavik::THidDeviceController controller(platform, loop);
        controller.OnArrival = [&](tavik::THidDevice& d) {
            if (!controller.Lists(&d) || !d.Enumerating()) std::abort();
            announced.insert(&d);
            ++arrivals;
        };
        controller.OnRemoval = [&](tavik::THidDevice& d) {
            if (d.PluggedIn() || !announced.erase(&d)) std::abort();
            ++removals;
        };
        controller.Notify(-1);
        for (size_t i = 0; i < size; ++i) {
            const uint8_t op = data[i];
            switch (op % 4) {
            case 0: {
                auto device = std::make_shared<tavik::TMemoryHidDevice>(tavik::THidAttributes{0x20A0, 0x5E21, 1},
                                                                        u"tavik.example", u"VXLogger");
                device->RefuseOpen = op & 0x10;
                device->FailAttributes = op & 0x20;
                device->RefuseReadWrite = op & 0x40;
                platform.Plug(device);
                devices.push_back(device);
                break;
            }
            case 1: {
                const auto present = platform.PresentInstances();
                if (!present.empty()) platform.Unplug(present[(op >> 2) % present.size()]);
                break;
            }
            case 2:
                if (!devices.empty()) {
                    auto& device = devices[(op >> 2) % devices.size()];
                    device->RefuseOpen = !device->RefuseOpen;
                }
                break;
            default: {
                platform.NotifyDeviceChange();
                std::set<uint32_t> expected;
                for (uint32_t instance : platform.PresentInstances()) {
                    const auto handle = platform.Open(tavik::TMemoryHidPlatform::PathOf(instance), false);
                    tavik::THidAttributes attributes;
                    const bool identifiable = handle != tavik::InvalidHidHandle && platform.GetAttributes(handle, attributes);
                    platform.Close(handle);
                    // Every pass opens each interface afresh: one that cannot be
                    // opened or identified now is not (or no longer) listed.
                    if (identifiable) expected.insert(instance);
                }
                std::set<uint32_t> listed;
                for (std::size_t k = 0; k < controller.Count(); ++k) {
                    if (!controller.Device(k).PluggedIn()) std::abort();
                    listed.insert(controller.Device(k).PnPInfo().DeviceInstance);
                }
                if (listed != expected || listed.size() != controller.Count()) std::abort();
                if (announced.size() != controller.Count()) std::abort();
            }
            }
        }
    }
    if (platform.OpenHandleCount() != 0) std::abort();
    return 0;
}
