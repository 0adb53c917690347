// The controller's pass over the in-memory platform: what it announces, in
// which order, and what it leaves alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/hid_device_controller.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"

namespace tavik {
namespace {

std::shared_ptr<TMemoryHidDevice> Device(const char16_t* product) {
    return std::make_shared<TMemoryHidDevice>(THidAttributes{0x1234, 0x0001, 1}, u"maker", product);
}

// The platform calls so far, one line each: "open 3", "attributes 3 failed".
std::vector<std::string> Calls(const TMemoryHidPlatform& platform) {
    static const char* const names[] = {"open", "close", "attributes", "manufacturer", "product", "get", "set"};
    std::vector<std::string> calls;
    for (const TWireEvent& event : platform.Wire())
        calls.push_back(std::string(names[static_cast<int>(event.Call)]) + " " + std::to_string(event.DeviceInstance) +
                        (event.Ok ? "" : " failed"));
    return calls;
}

class ControllerTest : public ::testing::Test {
protected:
    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    std::vector<std::string> Events;

    std::unique_ptr<THidDeviceController> MakeController() {
        auto controller = std::make_unique<THidDeviceController>(Platform, Loop);
        controller->OnArrival = [this, c = controller.get()](THidDevice& d) {
            Events.push_back("arrival " + std::to_string(d.PnPInfo().DeviceInstance) + (c->Lists(&d) ? " listed" : "") +
                             (d.Enumerating() ? " enumerating" : ""));
        };
        controller->OnRemoval = [this](THidDevice& d) {
            Events.push_back("removal " + std::to_string(d.PnPInfo().DeviceInstance) + (d.PluggedIn() ? " plugged" : "") +
                             (d.Enumerating() ? " enumerating" : ""));
        };
        controller->OnDeviceChange = [this](THidDeviceController&) { Events.push_back("change"); };
        return controller;
    }
};

TEST_F(ControllerTest, StartUpPassRunsFromTheEventLoopNotTheConstructor) {
    const uint32_t a = Platform.Plug(Device(u"a"));
    auto controller = MakeController();
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(Platform.Wire().empty()) << "nothing is enumerated inside the constructor";
    Loop.ProcessEvents();
    EXPECT_EQ(Events, (std::vector<std::string>{"arrival " + std::to_string(a) + " listed enumerating", "change"}));
    EXPECT_EQ(controller->LastChangeParam(), THidChangeNotice::StartUp);
}

TEST_F(ControllerTest, StartUpWithNothingPresentStillRaisesOneDeviceChange) {
    auto controller = MakeController();
    Loop.ProcessEvents();
    EXPECT_EQ(Events, (std::vector<std::string>{"change"}));
    Events.clear();
    controller->Notify(THidChangeNotice::DeviceTreeChanged);
    EXPECT_TRUE(Events.empty()) << "a later pass that changes nothing raises nothing";
}

TEST_F(ControllerTest, ArrivalsInEnumerationOrderEachListedBeforeItsHandler) {
    auto controller = MakeController();
    Loop.ProcessEvents();
    Events.clear();
    const uint32_t a = Platform.Plug(Device(u"a"));
    const uint32_t b = Platform.Plug(Device(u"b"));
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Events, (std::vector<std::string>{"arrival " + std::to_string(a) + " listed enumerating",
                                                "arrival " + std::to_string(b) + " listed enumerating", "change"}));
    EXPECT_EQ(controller->Count(), 2u);
    EXPECT_FALSE(controller->Device(0).Enumerating());
    EXPECT_TRUE(controller->Device(1).PluggedIn());
}

TEST_F(ControllerTest, RemovalsComeFirstFromTheLastListedBackwards) {
    const uint32_t a = Platform.Plug(Device(u"a"));
    const uint32_t b = Platform.Plug(Device(u"b"));
    const uint32_t c = Platform.Plug(Device(u"c"));
    auto controller = MakeController();
    Loop.ProcessEvents();
    Events.clear();
    Platform.Unplug(a);
    Platform.Unplug(c);
    const uint32_t d = Platform.Plug(Device(u"d"));
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Events, (std::vector<std::string>{"removal " + std::to_string(c) + " enumerating",
                                                "removal " + std::to_string(a) + " enumerating",
                                                "arrival " + std::to_string(d) + " listed enumerating", "change"}));
    ASSERT_EQ(controller->Count(), 2u);
    EXPECT_EQ(controller->Device(0).PnPInfo().DeviceInstance, b);
    EXPECT_EQ(controller->Device(1).PnPInfo().DeviceInstance, d);
}

TEST_F(ControllerTest, ADeviceThatStaysKeepsItsObjectAndRaisesNothing) {
    const uint32_t a = Platform.Plug(Device(u"a"));
    auto controller = MakeController();
    Loop.ProcessEvents();
    THidDevice* first = &controller->Device(0);
    Events.clear();
    const uint32_t b = Platform.Plug(Device(u"b"));
    Platform.NotifyDeviceChange();
    Platform.Unplug(b);
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Events, (std::vector<std::string>{"arrival " + std::to_string(b) + " listed enumerating", "change",
                                                "removal " + std::to_string(b) + " enumerating", "change"}));
    ASSERT_EQ(controller->Count(), 1u);
    EXPECT_EQ(&controller->Device(0), first);
    EXPECT_EQ(first->PnPInfo().DeviceInstance, a);
}

TEST_F(ControllerTest, ANoticeDuringAPassIsDroppedNotQueued) {
    auto controller = MakeController();
    Loop.ProcessEvents();
    Events.clear();
    const uint32_t a = Platform.Plug(Device(u"a"));
    uint32_t b = 0;
    controller->OnArrival = [&](THidDevice& d) {
        Events.push_back("arrival " + std::to_string(d.PnPInfo().DeviceInstance));
        if (b == 0) {
            b = Platform.Plug(Device(u"b"));
            Platform.NotifyDeviceChange();  // comes while the pass runs
        }
    };
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Events, (std::vector<std::string>{"arrival " + std::to_string(a), "change"}));
    Loop.ProcessEvents();
    EXPECT_EQ(controller->Count(), 1u) << "the dropped notice is not replayed";
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Events.back(), "change");
    EXPECT_EQ(Events[Events.size() - 2], "arrival " + std::to_string(b));
}

TEST_F(ControllerTest, ADeviceRefusingReadWriteIsStillListed) {
    auto keyboard = Device(u"keyboard");
    keyboard->RefuseReadWrite = true;
    Platform.Plug(keyboard);
    auto controller = MakeController();
    Loop.ProcessEvents();
    ASSERT_EQ(controller->Count(), 1u);
    EXPECT_FALSE(controller->Device(0).HasReadWriteAccess());
}

TEST_F(ControllerTest, UnopenableOrUnidentifiableInterfacesAreSkippedAndTriedAgain) {
    auto locked = Device(u"locked");
    locked->RefuseOpen = true;
    auto mute = Device(u"mute");
    mute->FailAttributes = true;
    Platform.Plug(locked);
    Platform.Plug(mute);
    auto controller = MakeController();
    Loop.ProcessEvents();
    EXPECT_EQ(controller->Count(), 0u);
    EXPECT_EQ(Platform.OpenHandleCount(), 0) << "a failed construction leaves no handle open";
    locked->RefuseOpen = false;
    Platform.NotifyDeviceChange();
    EXPECT_EQ(controller->Count(), 1u);
}

TEST_F(ControllerTest, EveryPassOpensEachPresentInterfaceOnceAndDropsOneThatNoLongerOpens) {
    auto first = Device(u"a");
    const std::string a = std::to_string(Platform.Plug(first));
    auto controller = MakeController();
    Loop.ProcessEvents();
    auto keyboard = Device(u"keyboard");
    keyboard->RefuseReadWrite = true;
    const std::string k = std::to_string(Platform.Plug(keyboard));
    auto mute = Device(u"mute");
    mute->FailAttributes = true;
    const std::string m = std::to_string(Platform.Plug(mute));
    Platform.ClearWire();
    Events.clear();
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Calls(Platform), (std::vector<std::string>{"open " + a, "attributes " + a, "close " + a,
                                                         "open " + k + " failed", "open " + k, "attributes " + k,
                                                         "close " + k, "open " + m, "attributes " + m + " failed",
                                                         "close " + m}))
        << "the listed interface is opened again, and only the new one is built: nothing more is read";
    EXPECT_EQ(Events, (std::vector<std::string>{"arrival " + k + " listed enumerating", "change"}));
    ASSERT_EQ(controller->Count(), 2u);
    const THidDevice& arrived = controller->Device(1);
    EXPECT_FALSE(arrived.HasReadWriteAccess());
    EXPECT_EQ(arrived.VendorID(), 0x1234);
    EXPECT_EQ(arrived.ProductID(), 0x0001);
    EXPECT_FALSE(arrived.IsOpen());

    first->RefuseOpen = true;  // still present, but it no longer opens
    Platform.ClearWire();
    Events.clear();
    Platform.NotifyDeviceChange();
    EXPECT_EQ(Calls(Platform), (std::vector<std::string>{"open " + a + " failed", "open " + a + " failed",
                                                         "open " + k + " failed", "open " + k, "attributes " + k,
                                                         "close " + k, "open " + m, "attributes " + m + " failed",
                                                         "close " + m}));
    EXPECT_EQ(Events, (std::vector<std::string>{"removal " + a + " enumerating", "change"}));
    EXPECT_EQ(controller->Count(), 1u);
}

TEST_F(ControllerTest, ASnapshotThatFailsSkipsThePassAndNothingEscapes) {
    Platform.Plug(Device(u"a"));
    auto controller = MakeController();
    Loop.ProcessEvents();
    Events.clear();
    Platform.Plug(Device(u"b"));
    Platform.FailSnapshot = true;  // the platform gives no snapshot
    EXPECT_NO_THROW(Platform.NotifyDeviceChange());
    EXPECT_EQ(controller->Count(), 1u) << "nothing is taken for removed";
    EXPECT_TRUE(Events.empty());
    EXPECT_FALSE(controller->InDeviceChange());
    Platform.FailSnapshot = false;
    Platform.NotifyDeviceChange();
    EXPECT_EQ(controller->Count(), 2u);
}

TEST_F(ControllerTest, DestructionReleasesEveryDeviceWithoutRemovals) {
    Platform.Plug(Device(u"a"));
    Platform.Plug(Device(u"b"));
    auto controller = MakeController();
    Loop.ProcessEvents();
    controller->Device(0).SetEnumerating(true);
    ASSERT_TRUE(controller->Device(0).OpenDevice());
    controller->Device(0).SetEnumerating(false);
    Events.clear();
    controller.reset();
    EXPECT_TRUE(Events.empty());
    EXPECT_EQ(Platform.OpenHandleCount(), 0);
}

TEST_F(ControllerTest, AnInertControllerNeverEnumerates) {
    Platform.SetAvailable(false);
    Platform.Plug(Device(u"a"));
    auto controller = MakeController();
    Loop.ProcessEvents();
    Platform.NotifyDeviceChange();
    EXPECT_TRUE(controller->Inert());
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(Platform.Wire().empty());
}

TEST_F(ControllerTest, AHandlerErrorDoesNotLeaveThePassOpen) {
    auto controller = MakeController();
    Loop.ProcessEvents();
    Platform.Plug(Device(u"a"));
    controller->OnArrival = [](THidDevice&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Platform.NotifyDeviceChange(), std::runtime_error);
    EXPECT_FALSE(controller->InDeviceChange());
    EXPECT_FALSE(controller->Device(0).Enumerating());
}

}  // namespace
}  // namespace tavik
