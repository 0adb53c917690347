// The Linux platform's reading of kernel names, with no kernel device needed.
#include <gtest/gtest.h>

#include "device/platform/linux/linux_hid_names.h"

namespace tavik::linux_hid {
namespace {

TEST(LinuxHidNames, IdentityIsTheHidDeviceSequenceNumber) {
    EXPECT_EQ(SequenceFromHidName("0003:20A0:5E21.000A"), 0x000Au);
    EXPECT_EQ(SequenceFromHidName("0003:046D:C52B.0011"), 0x0011u);
    EXPECT_EQ(SequenceFromHidName("0003:20A0:5E21.1F3B2"), 0x1F3B2u);
    EXPECT_FALSE(SequenceFromHidName("hidraw3"));
    EXPECT_FALSE(SequenceFromHidName("0003:20A0:5E21"));
    EXPECT_FALSE(SequenceFromHidName("0003:20A0:5E21."));
    EXPECT_FALSE(SequenceFromHidName("0003:20A0:5EZ1.000A"));
}

TEST(LinuxHidNames, HidIdGivesBusVendorAndProduct) {
    const auto id = ParseHidId("0003:000020A0:00005E21");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->Bus, 3);
    EXPECT_EQ(id->Vendor, 0x20A0);
    EXPECT_EQ(id->Product, 0x5E21);
    EXPECT_FALSE(ParseHidId("0003:000020A0"));
    EXPECT_FALSE(ParseHidId("0003:0001020A0:00005E21"));
    EXPECT_FALSE(ParseHidId(""));
}

TEST(LinuxHidNames, StringsComeFromTheUsbParentOrTheHidName) {
    auto usb = ChooseStrings(true, "tavik.example", "VXLogger", BusUsb, "something else");
    EXPECT_EQ(usb.Manufacturer, "tavik.example");
    EXPECT_EQ(usb.Product, "VXLogger");
    auto virtualDevice = ChooseStrings(false, "", "", BusUsb, "tavik.example VXFrequencyMeter");
    EXPECT_EQ(virtualDevice.Manufacturer, "tavik.example");
    EXPECT_EQ(virtualDevice.Product, "VXFrequencyMeter");
    auto blanks = ChooseStrings(false, "", "", BusUsb, "www.tavik.example VX Logger ");
    EXPECT_EQ(blanks.Manufacturer, "www.tavik.example") << "split at the first blank only";
    EXPECT_EQ(blanks.Product, "VX Logger ");
    auto bluetooth = ChooseStrings(false, "", "", 0x0005, "tavik.example VXLogger");
    EXPECT_EQ(bluetooth.Manufacturer, "");
    EXPECT_EQ(bluetooth.Product, "");
}

TEST(LinuxHidNames, TheDeviceVersionIsFourHexDigitsOrNothing) {
    EXPECT_EQ(linux_hid::ParseBcdDevice("0100"), 0x0100);
    EXPECT_EQ(linux_hid::ParseBcdDevice("ffff"), 0xFFFF);
    for (const char* bad : {"", "12G4", "10000", "-1", " 100", "0x10"})
        EXPECT_EQ(linux_hid::ParseBcdDevice(bad), std::nullopt) << bad;
}

TEST(LinuxHidNames, OnlyHidrawArrivalsAndRemovalsAreTreeChanges) {
    EXPECT_TRUE(IsDeviceTreeChange("hidraw", "add"));
    EXPECT_TRUE(IsDeviceTreeChange("hidraw", "remove"));
    EXPECT_FALSE(IsDeviceTreeChange("hidraw", "change"));
    EXPECT_FALSE(IsDeviceTreeChange("hidraw", "bind"));
    EXPECT_FALSE(IsDeviceTreeChange("input", "add"));
    EXPECT_FALSE(IsDeviceTreeChange("", ""));
}

}  // namespace
}  // namespace tavik::linux_hid
