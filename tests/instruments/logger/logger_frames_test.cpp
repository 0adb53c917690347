// The logger's commands and reports byte by byte, through the simulated
// module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "instruments/logger/logger.h"
#include "instruments/logger/logger_protocol.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using test::Frame;
using test::Hex;
using test::TInstrumentHarness;

TEST(LoggerFrames, CheckBytesOfSetControlAndReadMemoryByte) {
    TFrame control = Frame({2, 1, 0x06, 0, 0, 0, 0, 0});
    SealCommand(control);
    EXPECT_EQ(control[7], 0xF9);
    TFrame read = Frame({5, 1, 16, 0, 0, 0, 0, 0});
    SealCommand(read);
    EXPECT_EQ(read[7], 0xEF);
}

TEST(LoggerFrames, SampleConversions) {
    EXPECT_NEAR(logger::Volts10(static_cast<int16_t>(0xFFFF)), -0.00735498, 1e-7);
    EXPECT_EQ(logger::Volts10(512), 3.76575f);
    EXPECT_EQ(logger::Volts8(128), 3.76575f);
    EXPECT_FLOAT_EQ(logger::Volts8(255), static_cast<float>(255 * 7.5315 / 256));
    const logger::TSamples s = logger::DecodeSamples(Frame({1, 0, 0x18, 0x00, 0x02, 0xFF, 0xFF, 0}));
    EXPECT_EQ(s.Mode, logger::TMode::TenBit);
    EXPECT_EQ(s.Values[0], 3.76575f);
    EXPECT_LT(s.Values[1], 0.0f);
}

TEST(LoggerFrames, ModesFollowTheStatusBits) {
    using logger::TMode;
    EXPECT_EQ(logger::ModeOf(0x02), TMode::EightBit);
    EXPECT_EQ(logger::ModeOf(0x03), TMode::EightBit);
    EXPECT_EQ(logger::ModeOf(0x06), TMode::EightBitPeak);
    EXPECT_EQ(logger::ModeOf(0x00), TMode::TenBit);
    EXPECT_EQ(logger::ModeOf(0x04), TMode::TenBitPeakChannel1);
    EXPECT_EQ(logger::ModeOf(0x05), TMode::TenBitPeakChannel2);
    EXPECT_TRUE(logger::CarriesSamples(0x18));
    EXPECT_FALSE(logger::CarriesSamples(0x08));
    EXPECT_FALSE(logger::CarriesSamples(0x10));
}

struct TFactorCase {
    std::array<uint8_t, 4> Bytes;
    float Expected;
};

class LoggerFactorPatterns : public ::testing::TestWithParam<TFactorCase> {};

TEST_P(LoggerFactorPatterns, ReadOnBindAndRangeChecked) {
    TInstrumentHarness h;
    auto logger = h.PlugLogger();
    const TFactorCase& c = GetParam();
    logger->Memory.StoreBytes(16, {c.Bytes[0], c.Bytes[1], c.Bytes[2], c.Bytes[3]});
    logger->Memory.StoreBytes(20, {0x00, 0x00, 0x80, 0x3F});
    h.ProcessEvents();
    EXPECT_EQ(h.Logger().CalFactor1, c.Expected);
    EXPECT_EQ(h.Logger().CalFactor2, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Patterns, LoggerFactorPatterns,
                         ::testing::Values(TFactorCase{{0x00, 0x00, 0x80, 0x3F}, 1.0f},
                                           TFactorCase{{0x00, 0x00, 0xA0, 0x3F}, 1.25f},
                                           TFactorCase{{0x00, 0x00, 0x40, 0x3F}, 0.75f},
                                           TFactorCase{{0x00, 0x00, 0xC0, 0x3F}, 1.0f},
                                           TFactorCase{{0x00, 0x00, 0xC0, 0x7F}, 1.0f},
                                           TFactorCase{{0xFF, 0xFF, 0xFF, 0xFF}, 1.0f},
                                           TFactorCase{{0xBC, 0x9C, 0x82, 0x3F}, 1.0204082f}));

TEST(LoggerFrames, CalibrationReadIsEightReadMemoryByteFramesInOrder) {
    TInstrumentHarness h;
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    const auto reads = logger->ReceivedWithCode(5);
    ASSERT_EQ(reads.size(), 8u);
    EXPECT_EQ(Hex(reads[0]), "05 01 10 00 00 00 00 EF");
    EXPECT_EQ(Hex(reads[3]), "05 04 13 00 00 00 00 EC");
    EXPECT_EQ(Hex(reads[4]), "05 05 14 00 00 00 00 EB");
    EXPECT_EQ(Hex(reads[7]), "05 08 17 00 00 00 00 E8");
}

TEST(LoggerFrames, AFailedReadEndsOnlyThatChannelsLoop) {
    TInstrumentHarness h;
    auto logger = h.PlugLogger();
    logger->Memory.StoreFloat(16, 1.2f);
    logger->Memory.StoreFloat(20, 0.8f);
    logger->FailReads = 1;  // the first memory answer is lost
    h.ProcessEvents();
    EXPECT_EQ(logger->ReceivedWithCode(5).size(), 5u) << "one read of channel 1, then all four of channel 2";
    EXPECT_EQ(h.Logger().CalFactor1, 1.0f);
    EXPECT_EQ(h.Logger().CalFactor2, 0.8f);
}

TEST(LoggerFrames, RequestMeasurementCarriesTheLastReportsBytes) {
    TInstrumentHarness h;
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    logger->Received.clear();
    // After the calibration read the module answers memory reads: byte 0 is 5.
    h.LoggerTicks(1);
    ASSERT_EQ(logger->Received.size(), 1u);
    EXPECT_EQ(logger->Received[0][0], 1);
    EXPECT_EQ(Hex(logger->Received[0]), "01 09 17 00 3F 00 00 A9") << "bytes 2-6 of the memory answer, resealed";
    // A measurement report with status 0x1E and samples 10 20 30 40, then a
    // report of another kind: the request carries 1E 10 20 30 40.
    logger->Csr = 0x06;
    logger->FixedSamples = std::array<uint8_t, 4>{0x10, 0x20, 0x30, 0x40};
    h.LoggerTicks(1);
    logger->Received.clear();
    logger->ForcedKind = 0;
    logger->ForcedKindReads = 1;
    h.LoggerTicks(1);
    ASSERT_EQ(logger->Received.size(), 1u);
    TFrame expected = Frame({1, 0, 0x1E, 0x10, 0x20, 0x30, 0x40, 0});
    expected[1] = logger->Received[0][1];
    SealCommand(expected);
    EXPECT_EQ(Hex(logger->Received[0]), Hex(expected));
}

TEST(LoggerFrames, NothingIsBuiltWhileNoLoggerIsBound) {
    TInstrumentHarness h;
    h.Logger().RequestMeasurement();
    h.Logger().SendControl();
    h.Logger().ReadCalibrationFactors();
    h.Logger().WriteCalibrationFactor(1, 1.1f);
    EXPECT_EQ(h.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence, 0);
    EXPECT_EQ(h.Logger().CalFactor1, 0.0f);
}

}  // namespace
}  // namespace tavik
