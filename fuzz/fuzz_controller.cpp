// The controller's pass fed with arbitrary sequences of interfaces appearing,
// disappearing and failing: after every pass its list is exactly the present
// interfaces that can be opened and identified, each announced once, with no
// handle left open; only announced devices are removed. A pass whose snapshot
// fails changes nothing.
//
// One platform, loop and controller serve every input, and a fixed set of
// device objects is plugged in and out. Each input starts from the same empty
// state (everything unplugged, a pass run, nothing listed or announced), so
// that an input that fails fails on its own too.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/hid_device_controller.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"

namespace {

// A pass opens every present interface once, a few microseconds apiece with
// the sanitizers; an input's cost is its passes times its interfaces. Four
// interfaces and two dozen steps still give every mix of listed, refused,
// toggled and unplugged interfaces, with changes on top.
constexpr std::size_t Slots = 4;  // a plug with every slot in use does nothing
constexpr std::size_t MaxSteps = 24;  // the rest of a longer input is not read

struct TRig {
    tavik::TMemoryHidPlatform Platform;
    tavik::TManualEventLoop Loop;
    std::unique_ptr<tavik::THidDeviceController> Controller;
    std::array<std::shared_ptr<tavik::TMemoryHidDevice>, Slots> Devices;
    std::array<uint32_t, Slots> Instance{};  // 0: the slot's device is not plugged in
    std::vector<const tavik::THidDevice*> Announced;

    TRig() {
        Platform.LogWire = false;  // nothing here reads it
        for (auto& device : Devices)
            device = std::make_shared<tavik::TMemoryHidDevice>(tavik::THidAttributes{0x20A0, 0x5E21, 1},
                                                               u"tavik.example", u"VXLogger");
        Controller = std::make_unique<tavik::THidDeviceController>(Platform, Loop);
        tavik::THidDeviceController& controller = *Controller;
        Announced.reserve(2 * Slots);
        controller.OnArrival = [this, &controller](tavik::THidDevice& d) {
            if (!controller.Lists(&d) || !d.Enumerating() || Find(&d) != Announced.end()) std::abort();
            Announced.push_back(&d);
        };
        controller.OnRemoval = [this](tavik::THidDevice& d) {
            const auto announced = Find(&d);
            if (d.PluggedIn() || announced == Announced.end()) std::abort();
            Announced.erase(announced);
        };
        Loop.ProcessEvents();  // the start-up pass
    }

    std::vector<const tavik::THidDevice*>::iterator Find(const tavik::THidDevice* device) {
        return std::find(Announced.begin(), Announced.end(), device);
    }

    // The slot of a present instance; there is none for anything else.
    std::size_t SlotOf(uint32_t instance) const {
        for (std::size_t s = 0; instance != 0 && s < Slots; ++s)
            if (Instance[s] == instance) return s;
        std::abort();
    }

    void Pass() {
        Platform.NotifyDeviceChange();
        std::array<bool, Slots> listed{};
        for (std::size_t k = 0; k < Controller->Count(); ++k) {
            const tavik::THidDevice& device = Controller->Device(k);
            const std::size_t s = SlotOf(device.PnPInfo().DeviceInstance);
            if (!device.PluggedIn() || listed[s]) std::abort();
            listed[s] = true;
        }
        // An interface opens, with access or without, unless it refuses every
        // open, and is identified unless its attributes cannot be read.
        for (std::size_t s = 0; s < Slots; ++s)
            if (listed[s] != (Instance[s] != 0 && !Devices[s]->RefuseOpen && !Devices[s]->FailAttributes)) std::abort();
        if (Announced.size() != Controller->Count()) std::abort();
        if (Platform.OpenHandleCount() != 0) std::abort();
    }

    // A notice with no snapshot: nothing is told gone or new.
    void FailedPass() {
        std::vector<const tavik::THidDevice*> before;
        for (std::size_t k = 0; k < Controller->Count(); ++k) before.push_back(&Controller->Device(k));
        Platform.FailSnapshot = true;
        Platform.NotifyDeviceChange();
        Platform.FailSnapshot = false;
        if (Controller->Count() != before.size() || Announced.size() != before.size()) std::abort();
        for (std::size_t k = 0; k < before.size(); ++k)
            if (&Controller->Device(k) != before[k]) std::abort();
        if (Platform.OpenHandleCount() != 0) std::abort();
    }

    void Reset() {
        Platform.UnplugAll();
        Instance.fill(0);
        Pass();
        if (Controller->Count() != 0 || !Announced.empty()) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TRig rig;
    rig.Reset();
    for (size_t i = 0; i < size && i < MaxSteps; ++i) {
        const uint8_t op = data[i];
        switch (op % 4) {
        case 0: {
            std::size_t s = 0;
            while (s < Slots && rig.Instance[s] != 0) ++s;
            if (s == Slots) break;
            tavik::TMemoryHidDevice& device = *rig.Devices[s];
            device.RefuseOpen = op & 0x10;
            device.FailAttributes = op & 0x20;
            device.RefuseReadWrite = op & 0x40;
            rig.Instance[s] = rig.Platform.Plug(rig.Devices[s]);
            break;
        }
        case 1:
        case 2: {
            std::array<std::size_t, Slots> plugged{};
            std::size_t count = 0;
            for (std::size_t s = 0; s < Slots; ++s)
                if (rig.Instance[s] != 0) plugged[count++] = s;
            if (count == 0) break;
            const std::size_t s = plugged[(op >> 2) % count];
            if (op % 4 == 1) {
                rig.Platform.Unplug(rig.Instance[s]);
                rig.Instance[s] = 0;
            } else {
                rig.Devices[s]->RefuseOpen = !rig.Devices[s]->RefuseOpen;
            }
            break;
        }
        default:
            if ((op & 0xC0) == 0xC0) rig.FailedPass();
            else rig.Pass();
        }
    }
    // Everything the input built is freed again: libFuzzer runs an input whose
    // allocations outnumber its frees a second time, looking for a leak.
    rig.Reset();
    return 0;
}
