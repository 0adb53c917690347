// The frequency meter area: the reading's texts in their controls, the IN
// indicator, and the colours of the edits that take integers.
#include <gtest/gtest.h>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::I;
using test::TWindowHarness;

class FrequencyMeterArea : public ::testing::Test {
protected:
    TWindowHarness H{'.'};
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = H.PlugFrequencyMeter();
    TTavik& W = *H.Window;
    test::TRecordingView& V = H.View;

    void SetUp() override {
        H.ProcessEvents();
        H.FrequencyMeterTicks(1);  // the last memory answer asks for a measurement
        Meter->Received.clear();
    }
    std::string Result() const { return V[I::VXFrequencyMeter_ResultLabel].Text; }
    std::string Frequency() const { return V[I::VXFrequencyMeter_FreqEdit].Text; }
};

TEST_F(FrequencyMeterArea, HundredKilohertzWithInputIn) {
    Meter->RawCount = 100000;
    Meter->InputIn = true;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), "100000");
    EXPECT_EQ(Result(), "100 кГц");
    EXPECT_TRUE(V[I::VXFrequencyMeter_LAinRadioButton].Checked);
    EXPECT_TRUE(Meter->Received.empty()) << "an accepted report sends nothing";
}

TEST_F(FrequencyMeterArea, LettersInTheOffsetTurnItRedAndAreNotSubtracted) {
    Meter->RawCount = 5000;
    V.Type(I::VXFrequencyMeter_PromEdit, "abc");
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Result(), "5 кГц");
    EXPECT_EQ(V[I::VXFrequencyMeter_PromEdit].TextColour, colours::Red);
    V.Type(I::VXFrequencyMeter_PromEdit, "  1000");
    EXPECT_EQ(V[I::VXFrequencyMeter_PromEdit].TextColour, colours::Normal);
    EXPECT_EQ(Result(), "5 кГц") << "the displays wait for the next cycle";
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Result(), "4 кГц");
}

TEST_F(FrequencyMeterArea, AnInvalidReferenceTurnsRedAndSendsNothing) {
    Meter->RawCount = 100000;
    H.FrequencyMeterTicks(1);
    V.Type(I::VXFrequencyMeter_CalibrateEdit, "1e5");
    EXPECT_EQ(V[I::VXFrequencyMeter_CalibrateEdit].TextColour, colours::Red);
    V.Click(I::VXFrequencyMeter_CalibrateButton);
    EXPECT_TRUE(Meter->Received.empty());
    V.Type(I::VXFrequencyMeter_CalibrateEdit, "$186A0");  // 100000
    V.Click(I::VXFrequencyMeter_CalibrateButton);
    EXPECT_EQ(V[I::VXFrequencyMeter_CalibrateEdit].TextColour, colours::Normal);
    EXPECT_EQ(Meter->ReceivedWithCode(5).size(), 4u);
}

TEST(MeasurementLocale, ACommaLocaleWritesACommaAndUnboundShowsNothing) {
    TWindowHarness h(',');
    h.FrequencyMeterTicks(1);
    EXPECT_EQ(h.View[I::VXFrequencyMeter_ResultLabel].Text, "0 Гц");
    EXPECT_TRUE(h.Platform.Wire().empty());
    auto meter = h.PlugFrequencyMeter();
    meter->RawCount = 123456;
    h.ProcessEvents();
    h.FrequencyMeterTicks(2);
    EXPECT_EQ(h.View[I::VXFrequencyMeter_ResultLabel].Text, "123,5 кГц");
}

TEST(EditColours, ValidTextTakesTheThemesTextColourNotBlack) {
    TWindowHarness h;
    for (I edit : {I::VXFrequencyMeter_PromEdit, I::VXFrequencyMeter_CalibrateEdit, I::VXLogger_CalibrateEdit}) {
        h.View.Type(edit, "x");
        EXPECT_EQ(h.View[edit].TextColour, colours::Red);
        h.View.Type(edit, "1");
        EXPECT_EQ(h.View[edit].TextColour, colours::Normal) << LayoutOf(edit).Name;
    }
    h.View.Type(I::VXLogger_LevelEdit_CH1, "1");
    h.View.Type(I::VXLogger_LevelEdit_CH2, "1");
    EXPECT_EQ(h.View[I::VXLogger_LevelEdit_CH1].TextColour, colours::White)
        << "the level edits keep their own colours on their own fields";
    EXPECT_EQ(h.View[I::VXLogger_LevelEdit_CH2].TextColour, colours::Black);
}

}  // namespace
}  // namespace tavik
