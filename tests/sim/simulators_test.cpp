// The simulators speak the modules' side faithfully: the wire form, the
// answers to each command, and the faults a test can ask for.
#include <gtest/gtest.h>

#include "instruments/logger/logger_protocol.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"
#include "tests/support/frames.h"

namespace tavik::sim {
namespace {

using test::Frame;
using test::Hex;

std::vector<uint8_t> Wire(const TFrame& frame) {
    std::vector<uint8_t> report(ReportSize, 0);
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    return report;
}

TFrame Read(TModuleSimulator& module) {
    uint8_t report[9] = {};
    EXPECT_TRUE(module.GetReport(report, sizeof report));
    EXPECT_EQ(report[0], 0);
    TFrame frame;
    std::copy(report + 1, report + 9, frame.begin());
    return frame;
}

TEST(Simulators, OnlyNineByteReportsWithIdZeroAreAccepted) {
    TLoggerSimulator logger;
    const auto good = Wire(Frame({2, 1, 0x02, 0, 0, 0, 0, 0xFD}));
    EXPECT_TRUE(logger.SetReport(good.data(), good.size()));
    EXPECT_FALSE(logger.SetReport(good.data() + 1, 8)) << "an 8-byte report would arrive shifted";
    auto wrongId = good;
    wrongId[0] = 1;
    EXPECT_FALSE(logger.SetReport(wrongId.data(), wrongId.size()));
    EXPECT_EQ(logger.Received.size(), 1u);
    EXPECT_EQ(logger.Csr, 0x02);
}

TEST(Simulators, LoggerReportsFollowTheControlRegister) {
    TLoggerSimulator logger;
    logger.Channel1 = {TSignal::TShape::Constant, 3.76575, 0, 1};
    logger.Channel2 = {TSignal::TShape::Constant, 1.882875, 0, 1};
    EXPECT_EQ(Hex(Read(logger)).substr(0, 20), "01 00 18 00 02 00 01") << "10 bit: 512 and 256";
    logger.Csr = logger::Csr8Bit;
    const TFrame eight = Read(logger);
    EXPECT_EQ(eight[2], 0x1A);
    EXPECT_EQ(eight[3], 128);
    EXPECT_EQ(eight[5], 64);
    EXPECT_EQ(eight[7], CheckByte(eight));
    logger.Csr = logger::CsrPeak | logger::CsrChannel2;
    const TFrame peak = Read(logger);
    EXPECT_EQ(peak[3] | peak[4] << 8, 256) << "channel 2's pair in 10-bit peak mode";
    logger.SamplesReady = false;
    EXPECT_EQ(Read(logger)[2], 0x05);
}

TEST(Simulators, MemoryReadsAnswerUntilAMeasurementIsRequested) {
    TFrequencyMeterSimulator meter;
    meter.RawCount = 100000;
    meter.Memory.StoreBytes(16, {0xFD, 0x4A, 0x81, 0x3F});
    const auto read = Wire(Frame({5, 7, 0x11, 0x00, 0, 0, 0, 0xEE}));
    ASSERT_TRUE(meter.SetReport(read.data(), read.size()));
    EXPECT_EQ(Hex(Read(meter)), "05 07 11 00 4A 00 00 A4");
    EXPECT_EQ(Read(meter)[0], 5) << "still the memory answer";
    const auto request = Wire(Frame({1, 8, 0, 0, 0, 0, 0, 0xFF}));
    ASSERT_TRUE(meter.SetReport(request.data(), request.size()));
    EXPECT_EQ(Hex(Read(meter)).substr(0, 20), "01 00 00 A0 86 01 00");
    const auto write = Wire(Frame({6, 9, 0x10, 0x00, 0x55, 0, 0, 0}));
    ASSERT_TRUE(meter.SetReport(write.data(), write.size()));
    EXPECT_EQ(meter.Memory.Bytes[16], 0x55);
}

TEST(Simulators, GeneratorAnswersRawReadsFromItsMemory) {
    TGeneratorSimulator generator;
    const auto write = Wire(Frame({4, 1, 0x00, 0x80, 0x5A, 0, 0, 0}));
    ASSERT_TRUE(generator.SetReport(write.data(), write.size()));
    const auto read = Wire(Frame({3, 2, 0x00, 0x80, 0, 0, 0, 0}));
    ASSERT_TRUE(generator.SetReport(read.data(), read.size()));
    EXPECT_EQ(Read(generator)[4], 0x5A);
    const auto control = Wire(Frame({2, 3, 0x10, 0, 0, 0, 0, 0xEF}));
    ASSERT_TRUE(generator.SetReport(control.data(), control.size()));
    EXPECT_EQ(Hex(generator.LastControl), "02 03 10 00 00 00 00 EF");
}

TEST(Simulators, FaultsFailTheAskedNumberOfTransfers) {
    TFrequencyMeterSimulator meter;
    uint8_t report[9] = {};
    meter.FailReads = 2;
    EXPECT_FALSE(meter.GetReport(report, 9));
    EXPECT_FALSE(meter.GetReport(report, 9));
    EXPECT_TRUE(meter.GetReport(report, 9));
    meter.FailSends = 1;
    const auto request = Wire(Frame({1, 1, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_FALSE(meter.SetReport(request.data(), request.size()));
    EXPECT_TRUE(meter.Received.empty());
    meter.ZeroReads = 1;
    EXPECT_EQ(Hex(Read(meter)), "00 00 00 00 00 00 00 00");
    meter.ForcedKind = 9;
    meter.ForcedKindReads = 1;
    const TFrame forced = Read(meter);
    EXPECT_EQ(forced[0], 9);
    EXPECT_EQ(forced[7], CheckByte(forced));
}

TEST(Simulators, SignalShapes) {
    TSignal ramp{TSignal::TShape::Ramp, 1.0, 3.0, 4};
    EXPECT_DOUBLE_EQ(ramp.At(0), 1.0);
    EXPECT_DOUBLE_EQ(ramp.At(2), 2.0);
    EXPECT_DOUBLE_EQ(ramp.At(4), 1.0);
    TSignal steps{TSignal::TShape::Steps, 0.5, 4.5, 10};
    EXPECT_DOUBLE_EQ(steps.At(1), 0.5);
    EXPECT_DOUBLE_EQ(steps.At(6), 4.5);
    TSignal sine{TSignal::TShape::Sine, 1.0, 5.0, 8};
    EXPECT_DOUBLE_EQ(sine.At(0), 3.0);
    EXPECT_DOUBLE_EQ(sine.At(2), 5.0);
}

}  // namespace
}  // namespace tavik::sim
