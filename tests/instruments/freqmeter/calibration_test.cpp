// Calibration of the frequency meter against a reference, as the module's
// memory sees it.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::TWindowHarness;

class Calibration : public ::testing::Test {
protected:
    TWindowHarness H;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = H.PlugFrequencyMeter();
    TTavik& W = *H.Window;

    void SetUp() override { H.ProcessEvents(); }
    void Measure(int32_t count) {
        Meter->RawCount = count;
        H.FrequencyMeterTicks(2);
        Meter->Received.clear();
    }
    void Click(const char* reference) {
        W.VXFrequencyMeter_CalibrateEdit->setText(QString::fromUtf8(reference));
        W.VXFrequencyMeter_CalibrateButtonClick();
    }
};

TEST_F(Calibration, WritesTheFactorByteByByteThenReadsItBack) {
    Measure(99000);
    Click("100000");
    const auto writes = Meter->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(Hex(writes[0]).substr(6), "10 00 FD 00 00 F2");
    EXPECT_EQ(Hex(writes[1]).substr(6), "11 00 4A 00 00 A4");
    EXPECT_EQ(Hex(writes[2]).substr(6), "12 00 81 00 00 6C");
    EXPECT_EQ(Hex(writes[3]).substr(6), "13 00 3F 00 00 AD");
    const auto reads = Meter->ReceivedWithCode(5);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(Meter->Received[4][0], 5) << "the reads come after all four writes";
    EXPECT_EQ(W.Instruments.FrequencyMeter.FreqCalFactor, 1.0101009607315063f);
    EXPECT_EQ(writes[1][1], static_cast<uint8_t>(writes[0][1] + 1));
}

TEST_F(Calibration, AFactorOutOfRangeWritesNothingAndRereads) {
    Measure(100000);
    Click("130000");
    EXPECT_TRUE(Meter->ReceivedWithCode(6).empty());
    EXPECT_EQ(Meter->ReceivedWithCode(5).size(), 4u);
    EXPECT_EQ(W.Instruments.FrequencyMeter.FreqCalFactor, 1.0f);
}

TEST_F(Calibration, BelowNineHundredNothingIsSent) {
    Measure(100000);
    Click("899");
    EXPECT_TRUE(Meter->Received.empty());
    Measure(899);
    Click("100000");
    EXPECT_TRUE(Meter->Received.empty());
}

TEST_F(Calibration, TheEndsOfTheRangeAreAcceptedAfterRounding) {
    Measure(100000);
    Click("75000");
    EXPECT_EQ(Meter->ReceivedWithCode(6).size(), 4u);
    EXPECT_EQ(W.Instruments.FrequencyMeter.FreqCalFactor, 0.75f);
    Measure(100000);
    Click("125000");
    EXPECT_EQ(Meter->ReceivedWithCode(6).size(), 4u);
    EXPECT_EQ(W.Instruments.FrequencyMeter.FreqCalFactor, 1.25f);
}

TEST_F(Calibration, AnInvalidReferenceTurnsRedAndSendsNothing) {
    Measure(100000);
    Click("1e5");
    EXPECT_EQ(W.VXFrequencyMeter_CalibrateEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    W.VXFrequencyMeter_CalibrateButtonClick();
    EXPECT_TRUE(Meter->Received.empty());
    Click("$186A0");  // 100000
    EXPECT_EQ(W.VXFrequencyMeter_CalibrateEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(Meter->ReceivedWithCode(5).size(), 4u);
}

TEST(StoredFactor, PatternsAndMissingAnswers) {
    const std::pair<std::array<uint8_t, 4>, float> cases[] = {
        {{0x00, 0x00, 0xC0, 0x3F}, 1.0f}, {{0x00, 0x00, 0xC0, 0x7F}, 1.0f},
        {{0x00, 0x00, 0x40, 0x3F}, 0.75f}, {{0x00, 0x00, 0xA0, 0x3F}, 1.25f}};
    for (const auto& [bytes, factor] : cases) {
        TWindowHarness h;
        auto meter = h.PlugFrequencyMeter();
        meter->Memory.StoreBytes(16, {bytes[0], bytes[1], bytes[2], bytes[3]});
        h.ProcessEvents();
        EXPECT_EQ(h.Window->Instruments.FrequencyMeter.FreqCalFactor, factor);
    }
    TWindowHarness h;
    auto meter = h.PlugFrequencyMeter();
    meter->Memory.StoreFloat(16, 1.2f);
    meter->FailReads = 1;
    h.ProcessEvents();
    EXPECT_EQ(h.Window->Instruments.FrequencyMeter.FreqCalFactor, 1.0f) << "no answer to the first read";
    EXPECT_EQ(meter->ReceivedWithCode(5).size(), 1u);
}

}  // namespace
}  // namespace tavik
