// The settings check boxes and the two-channel calibration, as the module sees
// them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "instruments/logger/logger_protocol.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::TWindowHarness;

class Settings : public test::TBoundLoggerTest<QLocale::Russian> {
protected:
    // Five reports of a steady 8-bit reading on both channels.
    void Average(uint8_t raw1, uint8_t raw2) {
        Logger->Csr = logger::Csr8Bit;
        Logger->FixedSamples = std::array<uint8_t, 4>{raw1, raw1, raw2, raw2};
        H.LoggerTicks(5);
        Logger->Received.clear();
    }
};

TEST_F(Settings, CheckingEightBitThenTheModuleFollowing) {
    W.VXLogger_10bit->setChecked(true);
    Logger->Received.clear();
    W.VXLogger_8bit->setChecked(true);
    ASSERT_EQ(Logger->Received.size(), 1u);
    EXPECT_EQ(Logger->Received[0][2], 0x02);
    EXPECT_TRUE(W.VXLogger_10bit->isChecked()) << "the partner box is left to the module";
    Logger->Received.clear();
    H.LoggerTicks(1);  // the module now reports 8-bit mode
    EXPECT_FALSE(W.VXLogger_10bit->isChecked());
    const auto controls = Logger->ReceivedWithCode(2);
    ASSERT_GE(controls.size(), 1u);
    EXPECT_EQ(controls[0][2], 0x02) << "the same CSR byte once more";
}

TEST_F(Settings, ChangesWhileUnboundSendNothingAndKeepTheCopy) {
    H.Platform.UnplugAll();
    H.Notify();
    const uint8_t sequence = W.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence;
    W.VXLogger_Peak->setChecked(true);
    EXPECT_EQ(W.Instruments.Logger.Csr(), 0);
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence, sequence);
    // The module comes back reporting peak mode: the box already shows it, so
    // nothing changes and the copy keeps its old bit.
    auto again = H.PlugLogger();
    again->Csr = logger::CsrPeak;
    H.Notify();
    W.Instruments.Logger.RequestMeasurement();
    again->Received.clear();
    H.LoggerTicks(1);
    EXPECT_EQ(W.Instruments.Logger.Csr() & logger::CsrPeak, 0);
    W.VXLogger_8bit->setChecked(!W.VXLogger_8bit->isChecked());
    EXPECT_EQ(again->Received.back()[2] & logger::CsrPeak, 0) << "the next SetControl sends the old bit";
}

TEST_F(Settings, CalibrationWritesTheFactorByteByByteAndReadsBothBack) {
    // 4.9 V on channel 1 (as the average), nothing on channel 2.
    W.Instruments.Logger.Acquisition.V1Avg = 4.9f;
    W.Instruments.Logger.Acquisition.V2Avg = 0.0f;
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("5,0"));
    W.VXLogger_CalibrButtonClick();
    const auto writes = Logger->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(Hex(writes[0]).substr(6), "10 00 BC 00 00 33");
    EXPECT_EQ(writes[1][4], 0x9C);
    EXPECT_EQ(writes[2][4], 0x82);
    EXPECT_EQ(writes[3][4], 0x3F);
    EXPECT_EQ(writes[3][2], 19);
    EXPECT_EQ(Logger->ReceivedWithCode(5).size(), 8u) << "both factors are read back";
    EXPECT_FLOAT_EQ(W.Instruments.Logger.CalFactor1, 1.0204082f);
    EXPECT_EQ(W.Instruments.Logger.CalFactor2, 1.0f);
}

TEST_F(Settings, AFactorOutOfRangeSkipsOnlyItsChannel) {
    W.Instruments.Logger.Acquisition.V1Avg = 3.9f;  // 5.0 / 3.9 = 1.282
    W.Instruments.Logger.Acquisition.V2Avg = 4.5f;  // 1.111
    W.VXLogger_CalibrButtonClick();
    const auto writes = Logger->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0][2], 20) << "only channel 2 is written";
    EXPECT_EQ(Logger->ReceivedWithCode(5).size(), 8u);
    EXPECT_FLOAT_EQ(W.Instruments.Logger.CalFactor2, 5.0f / 4.5f);
}

TEST_F(Settings, AReferenceBelowOnePointFiveWritesNothingButRereads) {
    Average(160, 160);
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("1,4"));
    W.VXLogger_CalibrButtonClick();
    EXPECT_TRUE(Logger->ReceivedWithCode(6).empty());
    EXPECT_EQ(Logger->ReceivedWithCode(5).size(), 8u);
}

TEST_F(Settings, AnInvalidReferenceTurnsRedAndSendsNothing) {
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("5,0 В"));
    EXPECT_EQ(W.VXLogger_CalibrateEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    W.VXLogger_CalibrButtonClick();
    EXPECT_TRUE(Logger->Received.empty());
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("4,75"));
    EXPECT_EQ(W.VXLogger_CalibrateEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST_F(Settings, CalibrationFromALiveAverage) {
    Average(160, 170);  // 4.707 V and 5.001 V uncalibrated
    W.VXLogger_CalibrButtonClick();
    EXPECT_EQ(Logger->ReceivedWithCode(6).size(), 8u);
    EXPECT_FLOAT_EQ(W.Instruments.Logger.CalFactor1, static_cast<float>(5.0 / W.Instruments.Logger.Acquisition.V1Avg));
    EXPECT_FLOAT_EQ(Logger->Memory.LoadFloat(20), static_cast<float>(5.0 / W.Instruments.Logger.Acquisition.V2Avg));
}

}  // namespace
}  // namespace tavik

namespace tavik {
namespace {

TEST(SettingsFaults, ALoggerUnpluggedInTheMiddleOfACalibration) {
    test::TWindowHarness h;
    auto logger = std::make_shared<sim::TLoggerSimulator>();
    auto device = std::make_shared<sim::TSimulatedDevice>(logger);
    const uint32_t instance = h.Platform.Plug(device);
    h.ProcessEvents();
    h.Window->Instruments.Logger.Acquisition.V1Avg = 4.9f;
    // The second byte written is the last thing the module sees.
    device->VanishAfterTransfers = 2;
    device->OnVanish = [&] { h.Platform.Unplug(instance); };
    h.Window->VXLogger_CalibrButtonClick();
    const auto writes = logger->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(logger->Memory.Bytes[16], 0xBC);
    EXPECT_EQ(logger->Memory.Bytes[17], 0x9C);
    EXPECT_EQ(h.Window->Instruments.Logger.CalFactor1, 1.0f) << "the re-read fails: the factor falls back to 1.0";
    EXPECT_TRUE(h.Window->Instruments.Binding.LoggerPresent()) << "until the operating system says the module is gone";
    h.LoggerTicks(3);
    h.Notify();
    EXPECT_FALSE(h.Window->Instruments.Binding.LoggerPresent());
    EXPECT_TRUE(h.Errors.isEmpty());
}

}  // namespace
}  // namespace tavik
