// Frames on the wire: the check byte, the sequence counter and the exact bytes
// a send and a failed read put on or take off the wire.
#include <gtest/gtest.h>

#include "device/hid_device.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "device/report_exchange.h"
#include "sim/generator_simulator.h"
#include "tests/support/frames.h"

namespace tavik {
namespace {

using test::Frame;
using test::Hex;

TEST(SealCommand, CheckByteCoversBytesTwoToSixOnly) {
    TFrame frame = Frame({0xAA, 0xBB, 0x01, 0x02, 0x03, 0x04, 0x05, 0x00});
    SealCommand(frame);
    EXPECT_EQ(frame[7], 0xF0);
    frame = Frame({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0});
    SealCommand(frame);
    EXPECT_EQ(frame[7], 0x04) << "the sum 0x4FB is taken modulo 256 first";
    frame = Frame({0x12, 0x34, 0, 0, 0, 0, 0, 0x99});
    SealCommand(frame);
    EXPECT_EQ(frame[7], 0xFF);
    frame[0] = 0x77;
    frame[1] = 0x88;
    SealCommand(frame);
    EXPECT_EQ(frame[7], 0xFF) << "bytes 0 and 1 never change the check byte";
}

TEST(InstrumentPort, SequenceWrapsFrom255To0) {
    TInstrumentPort port;
    for (int i = 1; i <= 255; ++i) ASSERT_EQ(port.NextSequence(), i);
    EXPECT_EQ(port.NextSequence(), 0);
    EXPECT_EQ(port.NextSequence(), 1);
}

class PortOnWireTest : public ::testing::Test {
protected:
    TMemoryHidPlatform Platform;
    std::shared_ptr<sim::TGeneratorSimulator> Module = std::make_shared<sim::TGeneratorSimulator>();
    std::shared_ptr<sim::TSimulatedDevice> Wire = std::make_shared<sim::TSimulatedDevice>(Module);
    uint32_t Instance = Platform.Plug(Wire);
    THidDevice Device{Platform, THidPnPInfo{Instance, TMemoryHidPlatform::PathOf(Instance)},
                     THidDevice::Probe(Platform, TMemoryHidPlatform::PathOf(Instance))};
    TInstrumentPort Port;

    void SetUp() override {
        Device.SetEnumerating(true);
        Device.ProductString();
        ASSERT_TRUE(Device.OpenDevice());
        Device.SetEnumerating(false);
        Port.Device = &Device;
        Platform.ClearWire();
    }
};

TEST_F(PortOnWireTest, SendHandsThePlatformNineBytesWithReportIdZero) {
    const TFrame frame = Frame({2, 1, 0x10, 0, 0, 0, 0, 0xEF});
    EXPECT_TRUE(Port.SendReport(frame));
    ASSERT_EQ(Platform.Wire().size(), 1u);
    EXPECT_EQ(Hex(Platform.Wire()[0].Bytes), "00 02 01 10 00 00 00 00 EF");
    EXPECT_TRUE(Port.Transfer.Ok);
    ASSERT_EQ(Module->Received.size(), 1u);
    EXPECT_EQ(Hex(Module->Received[0]), "02 01 10 00 00 00 00 EF");
}

TEST_F(PortOnWireTest, AFailedReadHandsTheCallerEightZeroBytes) {
    TFrame frame = Frame({1, 2, 3, 4, 5, 6, 7, 8});
    Module->FailReads = 1;
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Hex(frame), "00 00 00 00 00 00 00 00");
    EXPECT_FALSE(Port.Transfer.Ok);
}

TEST_F(PortOnWireTest, APlatformThatWritesAndThenFailsStillLeavesZeros) {
    // A device whose read fills the buffer and then reports failure.
    struct TScribbler : TMemoryHidDevice {
        TScribbler() : TMemoryHidDevice({0x20A0, 0x5E21, 1}, u"tavik.example", u"VXLogger") {}
        bool OnGetFeature(uint8_t* buffer, std::size_t length) override {
            std::fill(buffer, buffer + length, 0xAB);
            return false;
        }
    };
    const uint32_t instance = Platform.Plug(std::make_shared<TScribbler>());
    THidDevice device{Platform, THidPnPInfo{instance, TMemoryHidPlatform::PathOf(instance)},
                     THidDevice::Probe(Platform, TMemoryHidPlatform::PathOf(instance))};
    device.SetEnumerating(true);
    ASSERT_TRUE(device.OpenDevice());
    Port.Device = &device;
    TFrame frame = Frame({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Hex(frame), "00 00 00 00 00 00 00 00");
    EXPECT_EQ(Port.Transfer.Report, (std::array<uint8_t, ReportSize>{})) << "the record holds zeros too";
    Port.Device = nullptr;
}

TEST_F(PortOnWireTest, AnEmptySlotTouchesNothing) {
    Port.Device = nullptr;
    TFrame frame = Frame({1, 2, 3, 4, 5, 6, 7, 8});
    Port.Transfer.Report = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Hex(frame), "01 02 03 04 05 06 07 08");
    EXPECT_FALSE(Port.SendReport(frame));
    EXPECT_EQ(Port.Transfer.Report[0], 9) << "the record is left as it was";
    EXPECT_TRUE(Platform.Wire().empty());
}

// A failure never escapes; it leaves its operation and reason in the record,
// from the platform or from the device itself, and a success clears them.
TEST_F(PortOnWireTest, FailuresSayWhyAndNeverEscape) {
    TFrame frame = Frame({1, 2, 3, 4, 5, 6, 7, 8});
    Wire->FailSetFeature = true;
    EXPECT_FALSE(Port.SendReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "SetFeature: simulated failure");
    Wire->FailSetFeature = false;
    EXPECT_TRUE(Port.SendReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "");
    Module->FailReads = 1;
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "GetFeature: the device answered no report");

    Platform.Unplug(Instance);
    EXPECT_NO_THROW(EXPECT_FALSE(Port.SendReport(frame)));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "SetFeature: device removed");
    EXPECT_NO_THROW(EXPECT_FALSE(Port.ReadReport(frame)));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "GetFeature: device removed");
    EXPECT_EQ(Hex(frame), "00 00 00 00 00 00 00 00");

    // No platform call at all: a closed handle that cannot open again, then
    // a device the controller has found gone.
    Device.CloseDevice();
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "GetFeature: device not open");
    Device.Unplug();
    EXPECT_FALSE(Port.SendReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "SetFeature: device removed");

    Port.Device = nullptr;
    EXPECT_FALSE(Port.ReadReport(frame));
    EXPECT_EQ(Port.Transfer.Reason.Text(), "SetFeature: device removed") << "an empty slot leaves the record alone";
}

}  // namespace
}  // namespace tavik
