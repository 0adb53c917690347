// Generator control reports and the raw byte path, as the module receives
// them.
#include <gtest/gtest.h>

#include "common/errors.h"
#include "instruments/generator/generator.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using generator::TControl;
using generator::TControlState;
using test::Hex;

class Generator : public ::testing::Test {
protected:
    test::TInstrumentHarness H{'.'};
    std::shared_ptr<sim::TGeneratorSimulator> Module = H.PlugGenerator();
    generator::TGenerator& G = H.Generator();
    TControlState State;

    void SetUp() override {
        G.BuildTables();
        H.ProcessEvents();
    }
    std::string Change(TControl control) {
        G.ControlChanged(control, State);
        return Module->Received.empty() ? "" : Hex(Module->Received.back());
    }
    uint8_t Sequence() const { return H.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence; }
};

TEST_F(Generator, TablesAndTheFirstReport) {
    EXPECT_EQ(G.OUT1Count(), 1088u);
    EXPECT_EQ(G.OUT2Count(), 764u);
    EXPECT_EQ((*G.OUT1FreqTable)[0].Text, "8.25E+6");
    EXPECT_TRUE(Module->Received.empty()) << "binding sends nothing";
    State.OUT3High = true;
    EXPECT_EQ(Change(TControl::Level), "02 01 10 00 00 00 00 EF");
}

TEST_F(Generator, FrequencyChoicesOfBothChannels) {
    State.OUT1FreqIndex = 0;
    EXPECT_EQ(Change(TControl::OUT1Freq), "02 01 00 42 01 00 00 BC");
    State.OUT2FreqIndex = 763;
    EXPECT_EQ(Change(TControl::OUT2Freq), "02 02 20 8F 10 FF 00 41");
    State.OUT2FreqIndex = 300;
    EXPECT_EQ(Change(TControl::OUT2Freq), "02 03 20 89 10 2C 00 1A");
    State.OUT1FreqIndex = 1000;
    EXPECT_EQ(Change(TControl::OUT1Freq), "02 04 00 42 05 A8 00 10");
}

TEST_F(Generator, SwitchingToThePcResendsTheLastFrequencyBytes) {
    State.OUT2FreqIndex = 763;
    Change(TControl::OUT2Freq);
    State.OUT1FromGenerator = false;
    EXPECT_EQ(Change(TControl::OUT1Type), "02 02 01 8F 10 FF 00 60") << "bit 0 set, bit 5 cleared, channel 2's bytes repeated";
    State.OUT2FromGenerator = false;
    EXPECT_EQ(Change(TControl::OUT2Type), "02 03 23 8F 10 FF 00 3E");
    State.OUT1FromGenerator = true;
    EXPECT_EQ(Change(TControl::OUT1Type), "02 04 02 42 01 00 00 BA") << "channel 2 stays on the PC";
}

TEST_F(Generator, LevelsNeverTouchBitFiveOrTheFrequencyBytes) {
    State.OUT2FreqIndex = 700;
    Change(TControl::OUT2Freq);
    const TFrame before = Module->Received.back();
    State.OUT1High = State.OUT2High = true;
    Change(TControl::Level);
    const TFrame after = Module->Received.back();
    EXPECT_EQ(after[2], before[2] | 0x0C);
    for (int i = 3; i <= 6; ++i) EXPECT_EQ(after[i], before[i]);
}

TEST_F(Generator, AFrequencyTheTableDoesNotHoldSendsNothing) {
    for (int index : {-1, 1088}) {
        State.OUT1FreqIndex = index;
        G.ControlChanged(TControl::OUT1Freq, State);
    }
    State.OUT2FreqIndex = 764;
    G.ControlChanged(TControl::OUT2Type, State);
    EXPECT_TRUE(Module->Received.empty());
    EXPECT_EQ(Sequence(), 0);
    EXPECT_EQ(G.ControlBuffer, TFrame{});
}

TEST_F(Generator, TheSequenceWraps) {
    for (int i = 0; i < 256; ++i) {
        State.OUT3High = i % 2 == 0;
        Change(TControl::Level);
    }
    ASSERT_EQ(Module->Received.size(), 256u);
    EXPECT_EQ(Module->Received[254][1], 255);
    EXPECT_EQ(Module->Received[255][1], 0);
}

TEST_F(Generator, RawReadAndWrite) {
    Module->Memory[0x1234] = 0xAB;
    EXPECT_EQ(G.RawRead("$1234"), 0xAB);
    EXPECT_EQ(Hex(Module->Received.back()), "03 01 34 12 00 00 00 B9");
    G.RawWrite("$1234", "300");  // the low 8 bits: 0x2C
    EXPECT_EQ(Hex(Module->Received.back()), "04 02 34 12 2C 00 00 8D");
    EXPECT_EQ(Module->Memory[0x1234], 0x2C);
    Module->FailReads = 1;
    EXPECT_EQ(G.RawRead("4660"), 0) << "a failed read gives 0";
}

TEST_F(Generator, TextThatIsNotAnIntegerRaisesAfterTheCounterMoved) {
    try {
        G.RawRead("12a");
        ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "''12a'' is not a valid integer value");
    }
    EXPECT_TRUE(Module->Received.empty());
    EXPECT_EQ(Sequence(), 1);
    EXPECT_EQ(G.RawBuffer[0], 3);
    EXPECT_THROW(G.RawWrite("1", ""), EConvertError);
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
    EXPECT_FALSE(h.Instruments.Binding.GeneratorPresent());
    EXPECT_FALSE(h.Shown[slot(TInstrumentKind::Generator)]);
    h.Platform.Unplug(meter);
    h.Notify();
    EXPECT_FALSE(h.Instruments.Binding.FrequencyMeterPresent());
    EXPECT_FALSE(h.Shown[slot(TInstrumentKind::FrequencyMeter)]);
    EXPECT_FALSE(h.Polling[slot(TInstrumentKind::FrequencyMeter)]) << "its timer stops";
    EXPECT_TRUE(h.Instruments.Binding.LoggerPresent());
    EXPECT_TRUE(h.Polling[slot(TInstrumentKind::Logger)]) << "the logger goes on";
    generator::TControlState state;
    EXPECT_FALSE(h.Generator().ControlChanged(generator::TControl::Level, state));
    EXPECT_FALSE(h.MeterTicks(1));
    EXPECT_EQ(h.Platform.OpenHandleCount(), 1) << "only the logger's handle stays open";
}

TEST(GeneratorUnbound, ChangesSendNothingConvertNothingAndMoveNoCounter) {
    test::TInstrumentHarness h;
    h.ProcessEvents();
    TControlState state;
    state.OUT1High = true;
    h.Generator().ControlChanged(TControl::Level, state);
    EXPECT_EQ(h.Generator().RawRead("xyz"), std::nullopt);
    h.Generator().RawWrite("xyz", "");
    EXPECT_EQ(h.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 0);
    EXPECT_EQ(h.Generator().ControlBuffer, TFrame{});
}

}  // namespace
}  // namespace tavik
