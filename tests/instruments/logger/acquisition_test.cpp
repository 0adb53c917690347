// The 50 ms cycle through the simulated logger: the voltmeter and its texts,
// averages, trace points, the sweep and the frames on the wire.
#include <gtest/gtest.h>

#include "instruments/logger/acquisition.h"
#include "instruments/logger/logger.h"
#include "instruments/logger/voltmeter_text.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using test::Hex;

class Acquisition : public test::TBoundLogger {
protected:
    Acquisition() : TBoundLogger('.') {}
    logger::TAcquisition& A = Logger.Acquisition;
    std::string Shown(int channel, char separator = '.') const { return logger::VoltmeterText(A, channel, separator); }
};

TEST_F(Acquisition, TheAverageRampsOverTheFirstFiveReports) {
    Module->Csr = logger::Csr8Bit;
    Module->FixedSamples = std::array<uint8_t, 4>{128, 128, 0, 0};
    EXPECT_EQ(Shown(1, ','), "V1 = 0.000 В") << "before the first report: the start-up text, with its point";
    EXPECT_EQ(Shown(2, ','), "V2 = 0.000 В");
    const char* expected[] = {"V1 = 0.75 В", "V1 = 1.51 В", "V1 = 2.26 В", "V1 = 3.01 В", "V1 = 3.77 В", "V1 = 3.77 В"};
    for (const char* text : expected) {
        H.LoggerTicks(1);
        EXPECT_EQ(Shown(1), text);
    }
    EXPECT_EQ(Shown(2), "V2 = 0.00 В");
    EXPECT_EQ(Shown(1, ','), "V1 = 3,77 В") << "the front-end's separator";
    EXPECT_DOUBLE_EQ(*A.VCH1Volts, static_cast<double>(A.V1Avg));
    EXPECT_EQ(A.VoltsPrecision, 4);
    EXPECT_EQ(A.VoltsDecimals, 2);
}

TEST_F(Acquisition, TenBitPeakOnChannelTwoShowsNAAndZerosForChannelOne) {
    Module->Csr = logger::Csr8Bit;
    Module->FixedSamples = std::array<uint8_t, 4>{128, 128, 128, 128};
    H.LoggerTicks(5);
    ASSERT_FLOAT_EQ(A.V1Avg, 3.76575f);
    Module->Csr = logger::CsrPeak | logger::CsrChannel2;
    Module->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};  // 512 and 256
    const auto cycle = H.LoggerTicks(1);
    ASSERT_TRUE(cycle && cycle->HasSamples);
    EXPECT_EQ(Shown(1), "V1 = NA");
    EXPECT_EQ(A.VCH1Volts, std::nullopt);
    EXPECT_DOUBLE_EQ(*A.VCH2Volts, static_cast<double>(A.V2Avg)) << "factor 1: the average itself";
    EXPECT_EQ(cycle->Points.Channel1[0], 0.0);
    EXPECT_EQ(cycle->Points.Channel1[1], 0.0);
    EXPECT_DOUBLE_EQ(cycle->Points.Channel2[0], 3.76575f);
    EXPECT_DOUBLE_EQ(cycle->Points.Channel2[1], 1.882875f);
    H.LoggerTicks(4);
    EXPECT_EQ(A.V1Avg, 0.0f) << "channel 1's average decays to 0 over five reports";
    EXPECT_EQ(Shown(2), "V2 = 2.824 В");
}

TEST_F(Acquisition, ASweepIs256ReportsWithSamples) {
    Module->Channel1 = {sim::TSignal::TShape::Ramp, 0.5, 7.0, 100};
    int newSweeps = 0;
    for (int i = 0; i < 256; ++i) newSweeps += H.LoggerTicks(1)->NewSweep;
    EXPECT_EQ(newSweeps, 0);
    Module->SamplesReady = false;
    EXPECT_FALSE(H.LoggerTicks(1)->NewSweep) << "a report without samples does not move the sweep";
    Module->SamplesReady = true;
    EXPECT_TRUE(H.LoggerTicks(1)->NewSweep);
    EXPECT_FALSE(H.LoggerTicks(1)->NewSweep);
}

TEST_F(Acquisition, ReportsWithoutSamplesGiveTheStatusOnly) {
    Module->Csr = 0x06;
    H.LoggerTicks(1);  // the boxes follow the module
    Module->Received.clear();
    Module->SamplesReady = false;
    const std::string shown = Shown(1);
    const auto cycle = H.LoggerTicks(1);
    ASSERT_TRUE(cycle);
    EXPECT_FALSE(cycle->HasSamples);
    EXPECT_EQ(cycle->ModuleCsr, 0x06);
    EXPECT_EQ(Shown(1), shown);
    EXPECT_TRUE(Module->Received.empty()) << "the cycle itself sends nothing";
}

TEST_F(Acquisition, TheBoxesFollowTheModuleWithOneSetControlPerChangedBoxInOrder) {
    using logger::BoxBit;
    using logger::TSettingBox;
    Module->Csr = 0x07;  // 8 bit, peak, channel 2
    auto cycle = H.LoggerTicks(1);
    ASSERT_TRUE(cycle);
    EXPECT_EQ(cycle->Csr, 0) << "the program's copy from before the boxes followed";
    EXPECT_EQ(cycle->ModuleCsr, 0x1F);
    // From all clear: 8bit, Peak and CH2 change; 10bit and CH1 stay clear.
    EXPECT_EQ(cycle->BoxesChanged, BoxBit(TSettingBox::EightBit) | BoxBit(TSettingBox::Peak) | BoxBit(TSettingBox::CH2));
    std::vector<std::string> sent;
    for (const TFrame& frame : Module->Received) sent.push_back(Hex(frame));
    EXPECT_EQ(sent, (std::vector<std::string>{"02 0A 02 00 00 00 00 FD", "02 0B 06 00 00 00 00 F9",
                                              "02 0C 07 00 00 00 00 F8"}));
    EXPECT_TRUE(Logger.BoxChecked(TSettingBox::CH2) && !Logger.BoxChecked(TSettingBox::CH1));
    Module->Received.clear();
    cycle = H.LoggerTicks(1);
    EXPECT_EQ(cycle->Csr, 0x07);
    EXPECT_EQ(cycle->BoxesChanged, 0);
    EXPECT_TRUE(Module->Received.empty()) << "boxes that show the module send nothing";
}

TEST_F(Acquisition, AReadOfAnotherKindSendsExactlyOneRequestAndAFailedReadNothing) {
    Module->ForcedKind = 0;
    Module->ForcedKindReads = 1;
    EXPECT_FALSE(H.LoggerTicks(1));
    ASSERT_EQ(Module->Received.size(), 1u);
    EXPECT_EQ(Module->Received[0][0], 1);
    Module->Received.clear();
    Module->FailReads = 1;
    EXPECT_FALSE(H.LoggerTicks(1));
    EXPECT_TRUE(Module->Received.empty());
    EXPECT_EQ(Logger.MeasurementBuffer, TFrame{}) << "a failed read leaves zeros";
}

TEST_F(Acquisition, CalibratedPointsUseTheFactors) {
    Module->Memory.StoreFloat(16, 1.25f);
    Module->Memory.StoreFloat(20, 0.75f);
    Logger.ReadCalibrationFactors();
    Logger.RequestMeasurement();
    Module->Csr = logger::Csr8Bit | logger::CsrPeak;
    Module->FixedSamples = std::array<uint8_t, 4>{128, 130, 64, 66};
    const auto cycle = H.LoggerTicks(1);
    ASSERT_TRUE(cycle);
    EXPECT_DOUBLE_EQ(cycle->Points.Channel1[0], 1.25 * static_cast<double>(logger::Volts8(128)));
    EXPECT_DOUBLE_EQ(cycle->Points.Channel1[1], 1.25 * static_cast<double>(logger::Volts8(130)));
    EXPECT_DOUBLE_EQ(cycle->Points.Channel2[0], 0.75 * static_cast<double>(logger::Volts8(64)));
    EXPECT_DOUBLE_EQ(cycle->Points.Channel2[1], 0.75 * static_cast<double>(logger::Volts8(66)));
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

TEST(AcquisitionState, BoxesShowingACsrInTheOrderTheyAreSet) {
    using logger::TSettingBox;
    const auto boxes = logger::BoxesShowing(0x07);
    const TSettingBox order[] = {TSettingBox::TenBit, TSettingBox::EightBit, TSettingBox::Peak, TSettingBox::CH1,
                                 TSettingBox::CH2};
    const bool checked[] = {false, true, true, false, true};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(boxes[i].Box, order[i]);
        EXPECT_EQ(boxes[i].Checked, checked[i]) << i;
    }
    EXPECT_TRUE(logger::BoxesShowing(0x18)[0].Checked) << "the sample flags are not settings";
}

}  // namespace
}  // namespace tavik
