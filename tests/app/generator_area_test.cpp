// The generator area: which control sends a report, how the boxes' selection
// becomes the state the generator sends, the service fields and the error box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::TWindowHarness;

class GeneratorArea : public ::testing::Test {
protected:
    TWindowHarness H{QLocale::c()};
    std::shared_ptr<sim::TGeneratorSimulator> Generator = H.PlugGenerator();
    TTavik& W = *H.Window;

    void SetUp() override { H.ProcessEvents(); }
    // As the user's choice of an item arrives.
    void Choose(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    std::string Last() const { return Generator->Received.empty() ? "" : Hex(Generator->Received.back()); }
};

TEST_F(GeneratorArea, TheFirstReportAfterStart) {
    EXPECT_EQ(W.VXGenerator_OUT1Freq->count(), 1088);
    EXPECT_EQ(W.VXGenerator_OUT2Freq->count(), 764);
    EXPECT_TRUE(Generator->Received.empty()) << "start-up and binding send nothing";
    W.VXGenerator_OUT3Value->setChecked(true);
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(Last(), "02 01 10 00 00 00 00 EF");
}

TEST_F(GeneratorArea, SwitchingToThePcResendsTheLastFrequencyBytes) {
    Choose(W.VXGenerator_OUT2Freq, 763);
    Choose(W.VXGenerator_OUT1Type, 1);
    EXPECT_EQ(Last(), "02 02 01 8F 10 FF 00 60") << "bit 0 set, bit 5 cleared, channel 2's bytes repeated";
    Choose(W.VXGenerator_OUT2Type, 1);
    EXPECT_EQ(Last(), "02 03 23 8F 10 FF 00 3E");
    Choose(W.VXGenerator_OUT1Type, 0);
    EXPECT_EQ(Last(), "02 04 02 42 01 00 00 BA") << "channel 2 stays on the PC";
}

TEST_F(GeneratorArea, ASourceThatCannotBeSentShowsWhatTheModuleHas) {
    auto type = [&](QComboBox* box, const char* text) {
        box->lineEdit()->setText(QString::fromUtf8(text));
        emit box->lineEdit()->textEdited(QString::fromUtf8(text));
    };
    Choose(W.VXGenerator_OUT1Type, 1);  // ПК
    type(W.VXGenerator_OUT1Freq, "1.23E+9");
    const std::size_t sent = Generator->Received.size();
    Choose(W.VXGenerator_OUT1Type, 0);  // генератор, with no frequency to send
    EXPECT_EQ(Generator->Received.size(), sent);
    EXPECT_EQ(W.VXGenerator_OUT1Type->currentIndex(), 1) << "the box goes back to ПК, where the module is";
    type(W.VXGenerator_OUT2Freq, "x");
    Choose(W.VXGenerator_OUT2Type, 0);  // already генератор
    EXPECT_EQ(W.VXGenerator_OUT2Type->currentIndex(), 0);
    type(W.VXGenerator_OUT1Freq, "8.25E+6");  // an item's label: sent as a frequency of the PC-driven output
    Choose(W.VXGenerator_OUT1Type, 0);
    EXPECT_EQ(W.VXGenerator_OUT1Type->currentIndex(), 0);
    EXPECT_EQ(Generator->Received.back()[2] & 0x01, 0) << "now on the generator";
}

TEST_F(GeneratorArea, TypedTextThatMatchesNoItemSendsNothing) {
    Choose(W.VXGenerator_OUT1Freq, 3);
    const std::size_t sent = Generator->Received.size();
    const uint8_t sequence = W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence;
    W.VXGenerator_OUT1Freq->lineEdit()->setText(QStringLiteral("1.23E+9"));
    emit W.VXGenerator_OUT1Freq->lineEdit()->textEdited(QStringLiteral("1.23E+9"));
    EXPECT_EQ(Generator->Received.size(), sent);
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, sequence);
    // Typing an item's label chooses it.
    W.VXGenerator_OUT1Freq->lineEdit()->setText(QStringLiteral("2.75E+6"));
    emit W.VXGenerator_OUT1Freq->lineEdit()->textEdited(QStringLiteral("2.75E+6"));
    EXPECT_EQ(Last().substr(0, 2), "02");
    EXPECT_EQ(Generator->Received.back()[5], 2);
}

TEST_F(GeneratorArea, RawReadAndWrite) {
    Generator->Memory[0x1234] = 0xAB;
    W.AddrEdit->setText(QStringLiteral("$1234"));
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(Last(), "03 01 34 12 00 00 00 B9");
    EXPECT_EQ(W.INDataEdit->text(), QStringLiteral("171"));
    W.OutDataEdit->setText(QStringLiteral("300"));  // the low 8 bits: 0x2C
    EXPECT_EQ(Last(), "04 02 34 12 2C 00 00 8D");
    EXPECT_EQ(Generator->Memory[0x1234], 0x2C);
    Generator->FailReads = 1;
    W.AddrEdit->setText(QStringLiteral("4660"));
    EXPECT_EQ(W.INDataEdit->text(), QStringLiteral("0")) << "a failed read shows 0";
}

TEST_F(GeneratorArea, TextThatIsNotAnIntegerShowsTheConversionError) {
    W.AddrEdit->setText(QStringLiteral("12a"));
    EXPECT_TRUE(Generator->Received.empty());
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 1) << "the counter has moved all the same";
    EXPECT_EQ(W.Instruments.Generator.RawBuffer[0], 3);
    ASSERT_EQ(H.Errors.size(), 1);
    EXPECT_EQ(H.Errors[0], QStringLiteral("Тавик|''12a'' is not a valid integer value."));
    W.AddrEdit->setText(QStringLiteral("1"));
    W.OutDataEdit->setText(QString());
    EXPECT_EQ(H.Errors.size(), 2);
    EXPECT_EQ(H.Errors[1], QStringLiteral("Тавик|'''' is not a valid integer value."));
}

TEST(GeneratorUnbound, ChangesSendNothingAndMoveNoCounter) {
    TWindowHarness h;
    h.ProcessEvents();
    h.Window->VXGenerator_OUT1Value->setChecked(true);
    h.Window->AddrEdit->setText(QStringLiteral("xyz"));
    EXPECT_EQ(h.Window->Instruments.Binding.Port(TInstrumentKind::Generator).Sequence, 0);
    EXPECT_EQ(h.Window->Instruments.Generator.ControlBuffer, TFrame{});
    EXPECT_TRUE(h.Errors.isEmpty()) << "nothing is converted while no generator is bound";
    // Bound later: the next report carries the current levels.
    auto generator = h.PlugGenerator();
    h.Notify();
    h.Window->VXGenerator_OUT2Value->setChecked(true);
    EXPECT_EQ(Hex(generator->Received.back()), "02 01 0C 00 00 00 00 F3");
}

}  // namespace
}  // namespace tavik
