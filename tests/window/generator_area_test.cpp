// The generator area: which control sends a report, how the boxes' selection
// becomes the state the generator sends, the service fields and the error box.
#include <gtest/gtest.h>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::I;
using test::TWindowHarness;

class GeneratorArea : public ::testing::Test {
protected:
    TWindowHarness H{'.'};
    std::shared_ptr<sim::TGeneratorSimulator> Generator = H.PlugGenerator();
    TTavik& W = *H.Window;
    test::TRecordingView& V = H.View;

    void SetUp() override { H.ProcessEvents(); }
    std::string Last() const { return Generator->Received.empty() ? "" : Hex(Generator->Received.back()); }
};

TEST_F(GeneratorArea, TheFirstReportAfterStart) {
    EXPECT_EQ(V[I::VXGenerator_OUT1Freq].Items.size(), 1088u);
    EXPECT_EQ(V[I::VXGenerator_OUT2Freq].Items.size(), 764u);
    EXPECT_TRUE(Generator->Received.empty()) << "start-up and binding send nothing";
    V.Click(I::VXGenerator_OUT3Value);
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(Last(), "02 01 10 00 00 00 00 EF");
}

TEST_F(GeneratorArea, SwitchingToThePcResendsTheLastFrequencyBytes) {
    V.Choose(I::VXGenerator_OUT2Freq, 763);
    V.Choose(I::VXGenerator_OUT1Type, 1);
    EXPECT_EQ(Last(), "02 02 01 8F 10 FF 00 60") << "bit 0 set, bit 5 cleared, channel 2's bytes repeated";
    V.Choose(I::VXGenerator_OUT2Type, 1);
    EXPECT_EQ(Last(), "02 03 23 8F 10 FF 00 3E");
    V.Choose(I::VXGenerator_OUT1Type, 0);
    EXPECT_EQ(Last(), "02 04 02 42 01 00 00 BA") << "channel 2 stays on the PC";
}

TEST_F(GeneratorArea, ASourceThatCannotBeSentShowsWhatTheModuleHas) {
    V.Choose(I::VXGenerator_OUT1Type, 1);  // ПК
    V.Type(I::VXGenerator_OUT1Freq, "1.23E+9");
    const std::size_t sent = Generator->Received.size();
    V.Choose(I::VXGenerator_OUT1Type, 0);  // генератор, with no frequency to send
    EXPECT_EQ(Generator->Received.size(), sent);
    EXPECT_EQ(V[I::VXGenerator_OUT1Type].Selection, 1) << "the box goes back to ПК, where the module is";
    V.Type(I::VXGenerator_OUT2Freq, "x");
    V.Choose(I::VXGenerator_OUT2Type, 0);  // already генератор
    EXPECT_EQ(V[I::VXGenerator_OUT2Type].Selection, 0);
    V.Type(I::VXGenerator_OUT1Freq, "8.25E+6");  // an item's label: sent as a frequency of the PC-driven output
    V.Choose(I::VXGenerator_OUT1Type, 0);
    EXPECT_EQ(V[I::VXGenerator_OUT1Type].Selection, 0);
    EXPECT_EQ(Generator->Received.back()[2] & 0x01, 0) << "now on the generator";
}

TEST_F(GeneratorArea, TypedTextThatMatchesNoItemSendsNothing) {
    V.Choose(I::VXGenerator_OUT1Freq, 3);
    const std::size_t sent = Generator->Received.size();
    const uint8_t sequence = W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence;
    V.Type(I::VXGenerator_OUT1Freq, "1.23E+9");
    EXPECT_EQ(Generator->Received.size(), sent);
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, sequence);
    // Typing an item's label chooses it.
    V.Type(I::VXGenerator_OUT1Freq, "2.75E+6");
    EXPECT_EQ(Last().substr(0, 2), "02");
    EXPECT_EQ(Generator->Received.back()[5], 2);
}

TEST_F(GeneratorArea, RawReadAndWrite) {
    Generator->Memory[0x1234] = 0xAB;
    V.Type(I::AddrEdit, "$1234");
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(Last(), "03 01 34 12 00 00 00 B9");
    EXPECT_EQ(V[I::INDataEdit].Text, "171");
    V.Type(I::OutDataEdit, "300");  // the low 8 bits: 0x2C
    EXPECT_EQ(Last(), "04 02 34 12 2C 00 00 8D");
    EXPECT_EQ(Generator->Memory[0x1234], 0x2C);
    Generator->FailReads = 1;
    V.Type(I::AddrEdit, "4660");
    EXPECT_EQ(V[I::INDataEdit].Text, "0") << "a failed read shows 0";
}

TEST_F(GeneratorArea, TextThatIsNotAnIntegerShowsTheConversionError) {
    V.Type(I::AddrEdit, "12a");
    EXPECT_TRUE(Generator->Received.empty());
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 1) << "the counter has moved all the same";
    EXPECT_EQ(W.Instruments.Generator.RawBuffer[0], 3);
    ASSERT_EQ(V.Errors.size(), 1u);
    EXPECT_EQ(V.Errors[0], "Тавик|''12a'' is not a valid integer value.");
    V.Type(I::AddrEdit, "1");
    V.Type(I::OutDataEdit, "");
    EXPECT_EQ(V.Errors.size(), 2u);
    EXPECT_EQ(V.Errors[1], "Тавик|'''' is not a valid integer value.");
}

TEST(GeneratorUnbound, ChangesSendNothingAndMoveNoCounter) {
    TWindowHarness h;
    test::TRecordingView& V = h.View;
    h.ProcessEvents();
    V.Click(I::VXGenerator_OUT1Value);
    V.Type(I::AddrEdit, "xyz");
    EXPECT_EQ(h.Window->Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 0);
    EXPECT_EQ(h.Window->Instruments.Generator.ControlBuffer, TFrame{});
    EXPECT_TRUE(V.Errors.empty()) << "nothing is converted while no generator is bound";
    // Bound later: the next report carries the current levels.
    auto generator = h.PlugGenerator();
    h.Notify();
    V.Click(I::VXGenerator_OUT2Value);
    EXPECT_EQ(Hex(generator->Received.back()), "02 01 0C 00 00 00 00 F3");
}

}  // namespace
}  // namespace tavik
