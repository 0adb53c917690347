// The device object: gated opening, the cached strings and what reading them
// does to the shared handle.
#include <gtest/gtest.h>

#include "device/hid_device.h"
#include "device/platform/memory/memory_hid_platform.h"

namespace tavik {
namespace {

class HidDeviceTest : public ::testing::Test {
protected:
    TMemoryHidPlatform Platform;
    std::shared_ptr<TMemoryHidDevice> Module =
        std::make_shared<TMemoryHidDevice>(THidAttributes{0x20A0, 0x5E21, 0x0100}, u"maker", u"product");
    uint32_t Instance = Platform.Plug(Module);

    std::unique_ptr<THidDevice> Make() {
        const std::string path = TMemoryHidPlatform::PathOf(Instance);
        return std::make_unique<THidDevice>(Platform, THidPnPInfo{Instance, path},
                                            THidDevice::Probe(Platform, path));
    }
};

TEST_F(HidDeviceTest, ConstructionReadsAttributesAndLeavesTheHandleClosed) {
    auto device = Make();
    EXPECT_EQ(device->VendorID(), 0x20A0);
    EXPECT_EQ(device->ProductID(), 0x5E21);
    EXPECT_EQ(device->VersionNumber(), 0x0100);
    EXPECT_FALSE(device->IsOpen());
    EXPECT_TRUE(device->PluggedIn());
    EXPECT_FALSE(device->Accessible()) << "outside an event and not checked out";
    EXPECT_FALSE(device->OpenDevice());
}

TEST_F(HidDeviceTest, AProbeThatCannotOpenOrIdentifyLeavesNoHandleOpen) {
    const std::string path = TMemoryHidPlatform::PathOf(Instance);
    Module->RefuseOpen = true;
    EXPECT_FALSE(THidDevice::Probe(Platform, path).Identified);
    Module->RefuseOpen = false;
    Module->FailAttributes = true;
    EXPECT_FALSE(THidDevice::Probe(Platform, path).Identified);
    EXPECT_EQ(Platform.OpenHandleCount(), 0);
    Module->FailAttributes = false;
    Module->RefuseReadWrite = true;
    const THidProbe probe = THidDevice::Probe(Platform, path);
    EXPECT_TRUE(probe.Identified);
    EXPECT_FALSE(probe.ReadWrite) << "opened with no access, and identified all the same";
    EXPECT_EQ(probe.Attributes.VersionNumber, 0x0100);
}

TEST_F(HidDeviceTest, AFirstStringReadClosesTheHandleJustOpened) {
    auto device = Make();
    device->SetEnumerating(true);
    ASSERT_TRUE(device->OpenDevice());
    EXPECT_EQ(device->ProductString(), u"product");
    EXPECT_FALSE(device->IsOpen()) << "the first read closes the shared handle";
    device->SetEnumerating(false);
    uint8_t report[9] = {};
    Platform.ClearWire();
    EXPECT_FALSE(device->GetFeature(report, sizeof report));
    EXPECT_TRUE(Platform.Wire().empty()) << "a closed handle cannot reopen outside an event: no platform call";
}

TEST_F(HidDeviceTest, StringsReadBeforeOpeningLeaveTheHandleOpenForReports) {
    auto device = Make();
    device->SetEnumerating(true);
    EXPECT_EQ(device->ManufacturerString(), u"maker");
    EXPECT_EQ(device->ProductString(), u"product");
    ASSERT_TRUE(device->OpenDevice());
    device->SetEnumerating(false);
    uint8_t report[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(device->SetFeature(report, sizeof report)) << "the handle keeps serving after the event";
    EXPECT_EQ(device->ProductString(), u"product") << "cached: no handle needed";
}

TEST_F(HidDeviceTest, CachedStringsStayReadableAfterUnplugUncachedOnesStayEmpty) {
    auto device = Make();
    device->SetEnumerating(true);
    EXPECT_EQ(device->ProductString(), u"product");
    device->SetEnumerating(false);
    device->Unplug();
    device->SetEnumerating(true);  // as during OnRemoval
    EXPECT_FALSE(device->Accessible());
    EXPECT_EQ(device->ProductString(), u"product");
    EXPECT_EQ(device->ManufacturerString(), u"");
    EXPECT_EQ(device->VendorID(), 0x20A0);
}

TEST_F(HidDeviceTest, LongStringsAreKeptToTheirFirst254Characters) {
    Module->Product = std::u16string(300, u'x');
    Module->Manufacturer = std::u16string(254, u'y');
    auto device = Make();
    device->SetEnumerating(true);
    EXPECT_EQ(device->ProductString().size(), 254u);
    EXPECT_EQ(device->ManufacturerString(), std::u16string(254, u'y'));
}

TEST_F(HidDeviceTest, AFailedStringReadLeavesTheCacheEmptyAndIsTriedAgain) {
    Module->FailStrings = true;
    auto device = Make();
    device->SetEnumerating(true);
    EXPECT_EQ(device->ProductString(), u"");
    Module->FailStrings = false;
    EXPECT_EQ(device->ProductString(), u"product");
}

TEST_F(HidDeviceTest, UnplugClosesTheHandle) {
    auto device = Make();
    device->SetEnumerating(true);
    device->ProductString();
    ASSERT_TRUE(device->OpenDevice());
    device->Unplug();
    device->Unplug();
    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(device->PluggedIn());
    EXPECT_EQ(Platform.OpenHandleCount(), 0);
}

TEST_F(HidDeviceTest, ZeroAccessDevicesOpenButTheirReportsFail) {
    Module->RefuseReadWrite = true;
    auto device = Make();
    EXPECT_FALSE(device->HasReadWriteAccess());
    device->SetEnumerating(true);
    device->ProductString();
    ASSERT_TRUE(device->OpenDevice());
    uint8_t report[9] = {};
    EXPECT_FALSE(device->GetFeature(report, sizeof report));
}

}  // namespace
}  // namespace tavik
