// Generator control reports and the raw byte path, as the module receives
// them.
#include <gtest/gtest.h>

#include "instruments/generator/generator.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using generator::TGeneratorOutputs;
using generator::TSource;
using test::Hex;

class Generator : public ::testing::Test {
protected:
    test::TInstrumentHarness H{'.'};
    std::shared_ptr<sim::TGeneratorSimulator> Module = H.PlugGenerator();
    generator::TGenerator& G = H.Generator();

    void SetUp() override {
        G.BuildTables();
        H.ProcessEvents();
    }
    std::string Set(const TGeneratorOutputs& outputs) {
        G.SetOutputs(outputs);
        return Module->Received.empty() ? "" : Hex(Module->Received.back());
    }
    static TGeneratorOutputs Frequency(int output, std::size_t index) { return {output, TSource::Generator, index, {}}; }
    static TGeneratorOutputs PC(int output) { return {output, TSource::PC, 0, {}}; }
    uint8_t Sequence() const { return H.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence; }
};

TEST_F(Generator, TablesAndTheFirstReport) {
    EXPECT_EQ((*G.OUT1FreqTable)[0].Frequency, 8250000.0f);
    EXPECT_TRUE(Module->Received.empty()) << "binding sends nothing";
    EXPECT_EQ(Set({0, TSource::Generator, 0, {false, false, true}}), "02 01 10 00 00 00 00 EF");
}

TEST_F(Generator, FrequencyChoicesOfBothChannels) {
    EXPECT_EQ(Set(Frequency(1, 0)), "02 01 00 42 01 00 00 BC");
    EXPECT_EQ(Set(Frequency(2, 763)), "02 02 20 8F 10 FF 00 41");
    EXPECT_EQ(Set(Frequency(2, 300)), "02 03 20 89 10 2C 00 1A");
    EXPECT_EQ(Set(Frequency(1, 1000)), "02 04 00 42 05 A8 00 10");
}

TEST_F(Generator, SwitchingToThePcResendsTheLastFrequencyBytes) {
    Set(Frequency(2, 763));
    EXPECT_EQ(Set(PC(1)), "02 02 01 8F 10 FF 00 60") << "bit 0 set, bit 5 cleared, channel 2's bytes repeated";
    EXPECT_EQ(Set(PC(2)), "02 03 23 8F 10 FF 00 3E");
    EXPECT_EQ(Set(Frequency(1, 0)), "02 04 02 42 01 00 00 BA") << "channel 2 stays on the PC";
}

TEST_F(Generator, LevelsNeverTouchBitFiveOrTheFrequencyBytes) {
    Set(Frequency(2, 700));
    const TFrame before = Module->Received.back();
    Set({0, TSource::Generator, 5, {true, true, false}});
    const TFrame after = Module->Received.back();
    EXPECT_EQ(after[2], before[2] | 0x0C);
    for (int i = 3; i <= 6; ++i) EXPECT_EQ(after[i], before[i]);
}

TEST_F(Generator, AFrequencyTheTableDoesNotHoldSendsNothing) {
    EXPECT_EQ(G.SetOutputs(Frequency(1, 1088)).Status, TCommandStatus::NotSent);
    EXPECT_EQ(G.SetOutputs(Frequency(2, 764)).Status, TCommandStatus::NotSent);
    EXPECT_TRUE(Module->Received.empty());
    EXPECT_EQ(Sequence(), 0);
    EXPECT_EQ(G.ControlBuffer, TFrame{});
}

TEST_F(Generator, TheSequenceWraps) {
    for (int i = 0; i < 256; ++i) Set({0, TSource::Generator, 0, {false, false, i % 2 == 0}});
    ASSERT_EQ(Module->Received.size(), 256u);
    EXPECT_EQ(Module->Received[254][1], 255);
    EXPECT_EQ(Module->Received[255][1], 0);
}

TEST_F(Generator, RawReadWriteAndAnAbortedCommand) {
    Module->Memory[0x1234] = 0xAB;
    const auto read = G.RawRead(0x1234);
    ASSERT_TRUE(read.Result.Done());
    EXPECT_EQ(read.Value, 0xAB);
    EXPECT_EQ(Hex(Module->Received.back()), "03 01 34 12 00 00 00 B9");
    EXPECT_TRUE(G.RawWrite(0x1234, 0x2C).Done());
    EXPECT_EQ(Hex(Module->Received.back()), "04 02 34 12 2C 00 00 8D");
    EXPECT_EQ(Module->Memory[0x1234], 0x2C);
    Module->FailReads = 1;
    const auto failed = G.RawRead(0x1234);
    EXPECT_EQ(failed.Result.Status, TCommandStatus::Failed);
    EXPECT_EQ(failed.Result.Reason.Text(), "GetFeature: the device answered no report");
    EXPECT_EQ(failed.Value, 0) << "a failed read gives 0";
    Module->FailSends = 1;
    const TCommandResult notTaken = G.RawWrite(1, 2);
    EXPECT_EQ(notTaken.Status, TCommandStatus::Failed);
    EXPECT_EQ(notTaken.Reason.Text(), "SetFeature: the device refused the report");
    // An operand a front-end could not read spends the command's number.
    const std::size_t sent = Module->Received.size();
    G.RawCommandAborted(CmdRawReadByte);
    EXPECT_EQ(Module->Received.size(), sent);
    EXPECT_EQ(Sequence(), 5);
    EXPECT_EQ(G.RawBuffer[0], 3);
}

TEST(Unbinding, RemovingTheGeneratorOrTheFrequencyMeterEmptiesOnlyItsSlot) {
    test::TInstrumentHarness h;
    uint32_t generator = 0, meter = 0;
    auto logger = h.PlugLogger();
    auto generatorModule = h.PlugGenerator(&generator);
    h.PlugFrequencyMeter(&meter);
    h.ProcessEvents();
    const auto slot = [](TInstrumentKind kind) { return SlotOf(kind); };
    ASSERT_TRUE(h.Shown[slot(TInstrumentKind::Generator)] && h.Polling[slot(TInstrumentKind::FrequencyMeter)]);
    h.Platform.Unplug(generator);
    h.Notify();
    EXPECT_FALSE(h.Instruments.Binding.Present(TInstrumentKind::Generator));
    EXPECT_FALSE(h.Shown[slot(TInstrumentKind::Generator)]);
    h.Platform.Unplug(meter);
    h.Notify();
    EXPECT_FALSE(h.Instruments.Binding.Present(TInstrumentKind::FrequencyMeter));
    EXPECT_FALSE(h.Shown[slot(TInstrumentKind::FrequencyMeter)]);
    EXPECT_FALSE(h.Polling[slot(TInstrumentKind::FrequencyMeter)]) << "its timer stops";
    EXPECT_TRUE(h.Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_TRUE(h.Polling[slot(TInstrumentKind::Logger)]) << "the logger goes on";
    EXPECT_EQ(h.Generator().SetOutputs({}).Status, TCommandStatus::NotBound);
    EXPECT_FALSE(h.MeterTicks(1));
    EXPECT_EQ(h.Platform.OpenHandleCount(), 1) << "only the logger's handle stays open";
}

TEST(GeneratorUnbound, ChangesSendNothingAndMoveNoCounter) {
    test::TInstrumentHarness h;
    h.ProcessEvents();
    EXPECT_EQ(h.Generator().SetOutputs({0, TSource::Generator, 0, {true, false, false}}).Status,
              TCommandStatus::NotBound);
    EXPECT_EQ(h.Generator().RawRead(1).Result.Status, TCommandStatus::NotBound);
    EXPECT_EQ(h.Generator().RawWrite(1, 2).Status, TCommandStatus::NotBound);
    h.Generator().RawCommandAborted(CmdRawWriteByte);
    EXPECT_EQ(h.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 0);
    EXPECT_EQ(h.Generator().ControlBuffer, TFrame{});
}

}  // namespace
}  // namespace tavik
