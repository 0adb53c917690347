// Start-up and shutdown, the layout's start state, the event rules the
// handlers rely on, and errors that escape a handler.
#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/support/window_harness.h"
#include "window/error_report.h"

namespace tavik {
namespace {

using test::I;
using test::TWindowHarness;

TEST(ErrorBox, AFullStopIsAddedAfterCharactersBeyondIt) {
    EXPECT_EQ(ErrorBoxText("''abc'' is not a valid integer value"), "''abc'' is not a valid integer value.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorBoxText("value (1)"), "value (1)") << "')' comes before '.'";
    EXPECT_EQ(ErrorBoxText("Ошибка"), "Ошибка.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(Startup, NoModuleThreeRedTitlesNoTrafficOnlyTheValueTimer) {
    TWindowHarness h;
    const TTavik& w = *h.Window;
    h.ProcessEvents();
    for (I title : {I::VXLogger_Label, I::VXGenerator_Label, I::VXFrequencyMeter_Label})
        EXPECT_EQ(h.View[title].TextColour, colours::Red);
    EXPECT_EQ(h.View[I::VXLogger_VCH1].Text, "V1 = 0.000 В");
    EXPECT_EQ(h.View[I::VXLogger_VCH2].Text, "V2 = 0.000 В");
    EXPECT_TRUE(h.Platform.Wire().empty());
    EXPECT_TRUE(w.VXLogger_ValueTimer->Active());
    EXPECT_FALSE(w.VXLogger_MainTimer->Active());
    EXPECT_FALSE(w.VXFrequencyMeter_Timer->Active());
    EXPECT_EQ(w.VXLogger_MainTimer->IntervalMs(), 50);
    EXPECT_EQ(w.VXFrequencyMeter_Timer->IntervalMs(), 250);
    EXPECT_EQ(w.VXLogger_ValueTimer->IntervalMs(), 500);
    EXPECT_TRUE(h.View.Errors.empty());
}

TEST(Startup, TheLayoutsStartStateAndTheFilledLists) {
    TWindowHarness h;
    const test::TRecordingView& v = h.View;
    for (I box : {I::VXLogger_10bit, I::VXLogger_8bit, I::VXLogger_Peak, I::VXLogger_CH1, I::VXLogger_CH2,
                  I::VXGenerator_OUT1Value, I::VXGenerator_OUT2Value, I::VXGenerator_OUT3Value,
                  I::VXFrequencyMeter_LAinRadioButton})
        EXPECT_FALSE(v[box].Checked);
    EXPECT_EQ(v[I::VXGenerator_OUT1Type].Selection, 0);
    EXPECT_EQ(v[I::VXGenerator_OUT1Type].Items, (std::vector<std::string>{"генератор", "ПК"}));
    for (I list : {I::VXGenerator_OUT1Freq, I::VXGenerator_OUT2Freq}) {
        EXPECT_EQ(v[list].Selection, 0);
        EXPECT_EQ(v[list].Text, v[list].Items.at(0)) << "the layout text \"0 Hz\" gives way to item 0";
    }
    EXPECT_EQ(v[I::VXFrequencyMeter_CalibrateEdit].Text, "100000");
    EXPECT_EQ(v[I::OutDataEdit].Text, "9");
    EXPECT_EQ(v[I::INDataEdit].Text, "");
}

TEST(EventRules, SettingABoxRunsItsHandlerOnlyWhenItsStateChanges) {
    TWindowHarness h;
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    logger->Received.clear();
    h.Window->VXLogger_Peak.SetChecked(false);  // already unchecked
    EXPECT_TRUE(logger->Received.empty());
    h.Window->VXLogger_Peak.SetChecked(true);
    h.Window->VXLogger_Peak.SetChecked(true);
    ASSERT_EQ(logger->Received.size(), 1u);
    EXPECT_EQ(test::Hex(logger->Received[0]), "02 09 04 00 00 00 00 FB");
}

TEST(EventRules, ASelectionFromTheProgramRunsNothingAUserChoiceDoes) {
    TWindowHarness h;
    auto generator = h.PlugGenerator();
    h.ProcessEvents();
    h.Window->VXGenerator_OUT1Freq.SetItemIndex(5);
    h.Window->VXGenerator_OUT2Type.SetItemIndex(1);
    EXPECT_TRUE(generator->Received.empty());
    h.View.Choose(I::VXGenerator_OUT1Freq, 5);
    EXPECT_EQ(generator->Received.size(), 1u);
}

TEST(EventRules, AnEditsTextSetByTheProgramRunsItsHandlerWhenItChanges) {
    TWindowHarness h;
    h.Window->VXFrequencyMeter_PromEdit.SetText("abc");
    EXPECT_EQ(h.View[I::VXFrequencyMeter_PromEdit].TextColour, colours::Red);
    h.Window->VXFrequencyMeter_PromEdit.SetText("12");
    EXPECT_EQ(h.View[I::VXFrequencyMeter_PromEdit].TextColour, colours::Normal);
}

TEST(Startup, AnErrorThatEscapesAHandlerIsShownOnceAndTheProgramGoesOn) {
    TWindowHarness h;
    std::vector<std::string>& errors = h.View.Errors;
    h.PlugGenerator();
    h.ProcessEvents();
    h.View.Type(I::AddrEdit, "zz");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Тавик|''zz'' is not a valid integer value.");
    h.Window->Guarded("test", [] { throw EAbort(); });
    EXPECT_EQ(errors.size(), 1u) << "a silent abort shows nothing";
    h.Window->Guarded("test", [] { throw std::out_of_range("index"); });
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "Application Error|Exception std::out_of_range in test: index");
    h.Window->Guarded("test", [] { throw 7; });
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[2], "Application Error|Unknown exception in test.");
    h.View.Type(I::AddrEdit, "5");
    EXPECT_EQ(errors.size(), 3u) << "the window keeps working";
}

TEST(Shutdown, ClosingSendsNothingAndRunsNoRemoval) {
    auto h = std::make_unique<TWindowHarness>();
    auto logger = h->PlugLogger();
    auto generator = h->PlugGenerator();
    h->ProcessEvents();
    const std::size_t frames = logger->Received.size();
    h->Window.reset();
    EXPECT_EQ(logger->Received.size(), frames);
    EXPECT_TRUE(generator->Received.empty());
    EXPECT_EQ(h->Platform.OpenHandleCount(), 0) << "every device released";
    EXPECT_TRUE(h->Loop.Timers().empty()) << "the timers are gone with the window";
}

}  // namespace
}  // namespace tavik
