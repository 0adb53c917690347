// The 50 ms cycle through the simulated logger: voltmeter texts, averages,
// the sweep across the chart, the CSR label and the mirroring of the module's
// settings into the check boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>

#include "instruments/logger/acquisition.h"
#include "instruments/logger/logger_protocol.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;

// A bound logger whose calibration answers are behind it: the next tick reads
// a measurement.
class Acquisition : public test::TBoundLoggerTest<QLocale::C> {
protected:
    int Points(int position) { return W.VXLogger_OSC->PointCount(W.VXLogger_OSC->SeriesAt(position)); }
};

TEST_F(Acquisition, TheAverageRampsOverTheFirstFiveReports) {
    Logger->Csr = logger::Csr8Bit;
    Logger->FixedSamples = std::array<uint8_t, 4>{128, 128, 0, 0};
    const char* expected[] = {"V1 = 0.75 В", "V1 = 1.51 В", "V1 = 2.26 В", "V1 = 3.01 В", "V1 = 3.77 В", "V1 = 3.77 В"};
    for (const char* text : expected) {
        H.LoggerTicks(1);
        EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH1Text, text);
    }
    EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH2Text, "V2 = 0.00 В");
    EXPECT_EQ(W.VXLogger_VCH1->text(), QStringLiteral("V1 = 0.000 В")) << "labels wait for the value timer";
    W.VXLogger_ValueTimerTimer();
    EXPECT_EQ(W.VXLogger_VCH1->text(), QStringLiteral("V1 = 3.77 В"));
}

TEST_F(Acquisition, TenBitPeakOnChannelTwoShowsNAAndZerosForChannelOne) {
    Logger->Csr = logger::Csr8Bit;
    Logger->FixedSamples = std::array<uint8_t, 4>{128, 128, 128, 128};
    H.LoggerTicks(5);
    ASSERT_FLOAT_EQ(W.Instruments.Logger.Acquisition.V1Avg, 3.76575f);
    Logger->Csr = logger::CsrPeak | logger::CsrChannel2;
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};  // 512 and 256
    H.LoggerTicks(1);
    EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH1Text, "V1 = NA");
    TChartWidget& chart = *W.VXLogger_OSC;
    const auto& channel1 = chart.SeriesAt(1).Points;
    const auto& channel2 = chart.SeriesAt(0).Points;
    EXPECT_EQ(channel1[channel1.size() - 1].y(), 0.0);
    EXPECT_EQ(channel1[channel1.size() - 2].y(), 0.0);
    EXPECT_DOUBLE_EQ(channel2[channel2.size() - 2].y(), 3.76575f);
    EXPECT_DOUBLE_EQ(channel2[channel2.size() - 1].y(), 1.882875f);
    H.LoggerTicks(4);
    EXPECT_EQ(W.Instruments.Logger.Acquisition.V1Avg, 0.0f) << "channel 1's average decays to 0 over five reports";
    EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH2Text, "V2 = 2.824 В");
}

TEST_F(Acquisition, TheSweepRestartsAfter256Reports) {
    Logger->Channel1 = {sim::TSignal::TShape::Ramp, 0.5, 7.0, 100};
    for (int i = 0; i < 255; ++i) H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 510);
    EXPECT_EQ(Points(1), 510);
    H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 512);
    EXPECT_EQ(Points(1), 512);
    H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 2);
    EXPECT_EQ(Points(1), 2);
    EXPECT_EQ(W.VXLogger_OSC->SeriesAt(1).Points[0].x(), 0);
    EXPECT_EQ(W.VXLogger_OSC->SeriesAt(1).Points[1].x(), 1);
}

TEST_F(Acquisition, ReportsWithoutSamplesLeaveTracesAndTextsAlone) {
    Logger->Csr = 0x06;
    Logger->SamplesReady = false;
    H.LoggerTicks(3);
    EXPECT_EQ(Points(0), 0);
    EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH1Text, "V1 = 0.000 В");
    EXPECT_TRUE(W.VXLogger_8bit->isChecked());
    EXPECT_TRUE(W.VXLogger_Peak->isChecked());
    EXPECT_TRUE(W.VXLogger_CH1->isChecked());
    EXPECT_FALSE(W.VXLogger_10bit->isChecked());
    // One SetControl for each box that changed: 8bit, Peak, CH1.
    EXPECT_EQ(Logger->ReceivedWithCode(2).size(), 3u);
    EXPECT_TRUE(Logger->ReceivedWithCode(1).empty());
}

TEST_F(Acquisition, TheCsrLabelShowsTheProgramsCopyFromBeforeTheMirroring) {
    Logger->Csr = 0x07;  // 8 bit, peak, channel 2
    H.LoggerTicks(1);
    EXPECT_EQ(W.VXLogger_CSR->text(), QStringLiteral("CSR = 0"));
    H.LoggerTicks(1);
    EXPECT_EQ(W.VXLogger_CSR->text(), QStringLiteral("CSR = 7"));
    EXPECT_EQ(W.Instruments.Logger.Csr(), 0x07);
}

TEST_F(Acquisition, MirroringSendsOneSetControlPerChangedBoxInOrder) {
    Logger->Csr = 0x07;
    H.LoggerTicks(1);
    const auto controls = Logger->ReceivedWithCode(2);
    // 8bit checked (bit 1), Peak checked (bit 2), CH2 checked (bit 0); CH1 and
    // 10bit were already unchecked.
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0][2], 0x02);
    EXPECT_EQ(controls[1][2], 0x06);
    EXPECT_EQ(controls[2][2], 0x07);
    EXPECT_EQ(test::Hex(controls[2]), test::Hex([&] {
                  TFrame f = test::Frame({2, controls[2][1], 0x07, 0, 0, 0, 0, 0});
                  SealCommand(f);
                  return f;
              }()));
}

TEST_F(Acquisition, AReadOfAnotherKindSendsExactlyOneRequest) {
    Logger->ForcedKind = 0;
    Logger->ForcedKindReads = 1;
    H.LoggerTicks(1);
    ASSERT_EQ(Logger->Received.size(), 1u);
    EXPECT_EQ(Logger->Received[0][0], 1);
}

TEST_F(Acquisition, AFailedReadSendsNothing) {
    Logger->FailReads = 1;
    H.LoggerTicks(1);
    EXPECT_TRUE(Logger->Received.empty());
    EXPECT_EQ(W.Instruments.Logger.MeasurementBuffer, TFrame{}) << "a failed read leaves zeros";
}

TEST_F(Acquisition, CalibratedPointsUseTheFactors) {
    Logger->Memory.StoreFloat(16, 1.25f);
    Logger->Memory.StoreFloat(20, 0.75f);
    W.Instruments.Logger.ReadCalibrationFactors();
    W.Instruments.Logger.RequestMeasurement();
    Logger->Csr = logger::Csr8Bit | logger::CsrPeak;
    Logger->FixedSamples = std::array<uint8_t, 4>{128, 130, 64, 66};
    H.LoggerTicks(1);
    const auto& s1 = W.VXLogger_OSC->SeriesAt(1).Points;
    const auto& s2 = W.VXLogger_OSC->SeriesAt(0).Points;
    ASSERT_EQ(s1.size(), 2u);
    EXPECT_DOUBLE_EQ(s1[0].y(), 1.25 * static_cast<double>(logger::Volts8(128)));
    EXPECT_DOUBLE_EQ(s1[1].y(), 1.25 * static_cast<double>(logger::Volts8(130)));
    EXPECT_DOUBLE_EQ(s2[0].y(), 0.75 * static_cast<double>(logger::Volts8(64)));
    EXPECT_DOUBLE_EQ(s2[1].y(), 0.75 * static_cast<double>(logger::Volts8(66)));
}

TEST(AcquisitionState, UpdateAveragesWritesSlotOneFirstAndDividesByFive) {
    logger::TAcquisition a;
    a.V1Raw = 5.0f;
    a.UpdateAverages();
    EXPECT_EQ(a.HistoryIndex, 1);
    EXPECT_EQ(a.V1History[1], 5.0f);
    EXPECT_FLOAT_EQ(a.V1Avg, 1.0f);
    for (int i = 0; i < 4; ++i) a.UpdateAverages();
    EXPECT_EQ(a.HistoryIndex, 0);
    EXPECT_FLOAT_EQ(a.V1Avg, 5.0f);
}

}  // namespace
}  // namespace tavik
