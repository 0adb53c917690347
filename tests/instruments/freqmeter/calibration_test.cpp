// Calibration of the frequency meter against a reference, as the module's
// memory sees it.
#include <gtest/gtest.h>

#include <bit>

#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::TInstrumentHarness;

class Calibration : public ::testing::Test {
protected:
    TInstrumentHarness H;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = H.PlugFrequencyMeter();

    void SetUp() override { H.ProcessEvents(); }
    void Measure(int32_t count) {
        Meter->RawCount = count;
        H.MeterTicks(2);
        Meter->Received.clear();
    }
    void Calibrate(int32_t reference) { H.Meter().Calibrate(reference); }
};

TEST_F(Calibration, WritesTheFactorByteByByteThenReadsItBack) {
    Measure(99000);
    Calibrate(100000);
    const auto writes = Meter->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(Hex(writes[0]).substr(6), "10 00 FD 00 00 F2");
    EXPECT_EQ(Hex(writes[1]).substr(6), "11 00 4A 00 00 A4");
    EXPECT_EQ(Hex(writes[2]).substr(6), "12 00 81 00 00 6C");
    EXPECT_EQ(Hex(writes[3]).substr(6), "13 00 3F 00 00 AD");
    const auto reads = Meter->ReceivedWithCode(5);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(Meter->Received[4][0], 5) << "the reads come after all four writes";
    EXPECT_EQ(H.Meter().FreqCalFactor, 1.0101009607315063f);
    EXPECT_EQ(writes[1][1], static_cast<uint8_t>(writes[0][1] + 1));
}

TEST_F(Calibration, AFactorOutOfRangeWritesNothingAndRereads) {
    Measure(100000);
    Calibrate(130000);
    EXPECT_TRUE(Meter->ReceivedWithCode(6).empty());
    EXPECT_EQ(Meter->ReceivedWithCode(5).size(), 4u);
    EXPECT_EQ(H.Meter().FreqCalFactor, 1.0f);
}

TEST_F(Calibration, BelowNineHundredNothingIsSent) {
    Measure(100000);
    Calibrate(899);
    EXPECT_TRUE(Meter->Received.empty());
    Measure(899);
    Calibrate(100000);
    EXPECT_TRUE(Meter->Received.empty());
}

TEST_F(Calibration, TheEndsOfTheRangeAreAcceptedAfterRounding) {
    Measure(100000);
    Calibrate(75000);
    EXPECT_EQ(Meter->ReceivedWithCode(6).size(), 4u);
    EXPECT_EQ(H.Meter().FreqCalFactor, 0.75f);
    Measure(100000);
    Calibrate(125000);
    EXPECT_EQ(Meter->ReceivedWithCode(6).size(), 4u);
    EXPECT_EQ(H.Meter().FreqCalFactor, 1.25f);
}

TEST_F(Calibration, CountsOfTwoToTheTwentyNinthRoundTheFactorOnce) {
    Measure(536870919);
    Calibrate(613566760);
    const auto writes = Meter->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0][4], 0x25) << "0x3F924925, low byte first";
    EXPECT_EQ(writes[1][4], 0x49);
    EXPECT_EQ(writes[2][4], 0x92);
    EXPECT_EQ(writes[3][4], 0x3F);
    EXPECT_EQ(std::bit_cast<uint32_t>(H.Meter().FreqCalFactor), 0x3F924925u) << "read back from the same bytes";
}

TEST_F(Calibration, AFactorInUseDoesNotCompound) {
    Meter->Memory.StoreFloat(16, 1.25f);
    H.Meter().ReadFrequencyCalibration();
    H.Meter().RequestMeasurement();
    Measure(100000);
    Calibrate(110000);
    EXPECT_EQ(H.Meter().FreqCalFactor, 1.1f) << "110000 / 100000 raw, not / 125000 shown";
}

TEST(StoredFactor, PatternsAndMissingAnswers) {
    const std::pair<std::array<uint8_t, 4>, float> cases[] = {
        {{0x00, 0x00, 0xC0, 0x3F}, 1.0f}, {{0x00, 0x00, 0xC0, 0x7F}, 1.0f},
        {{0x00, 0x00, 0x40, 0x3F}, 0.75f}, {{0x00, 0x00, 0xA0, 0x3F}, 1.25f}};
    for (const auto& [bytes, factor] : cases) {
        TInstrumentHarness h;
        auto meter = h.PlugFrequencyMeter();
        meter->Memory.StoreBytes(16, {bytes[0], bytes[1], bytes[2], bytes[3]});
        h.ProcessEvents();
        EXPECT_EQ(h.Meter().FreqCalFactor, factor);
    }
    TInstrumentHarness h;
    auto meter = h.PlugFrequencyMeter();
    meter->Memory.StoreFloat(16, 1.2f);
    meter->FailReads = 1;
    h.ProcessEvents();
    EXPECT_EQ(h.Meter().FreqCalFactor, 1.0f) << "no answer to the first read";
    EXPECT_EQ(meter->ReceivedWithCode(5).size(), 1u);
}

}  // namespace
}  // namespace tavik
