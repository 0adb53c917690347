// The frequency meter area: the reading's texts in their widgets, the IN
// indicator, and the colours of the edits that take integers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;

class FrequencyMeterArea : public ::testing::Test {
protected:
    TWindowHarness H{QLocale::c()};
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = H.PlugFrequencyMeter();
    TTavik& W = *H.Window;

    void SetUp() override {
        H.ProcessEvents();
        H.FrequencyMeterTicks(1);  // the last memory answer asks for a measurement
        Meter->Received.clear();
    }
    QString Result() const { return W.VXFrequencyMeter_ResultLabel->text(); }
    QString Frequency() const { return W.VXFrequencyMeter_FreqEdit->text(); }
};

TEST_F(FrequencyMeterArea, HundredKilohertzWithInputIn) {
    Meter->RawCount = 100000;
    Meter->InputIn = true;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("100000"));
    EXPECT_EQ(Result(), QStringLiteral("100 кГц"));
    EXPECT_TRUE(W.VXFrequencyMeter_LAinRadioButton->isChecked());
    EXPECT_TRUE(Meter->Received.empty()) << "an accepted report sends nothing";
}

TEST_F(FrequencyMeterArea, LettersInTheOffsetTurnItRedAndAreNotSubtracted) {
    Meter->RawCount = 5000;
    W.VXFrequencyMeter_PromEdit->setText(QStringLiteral("abc"));
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Result(), QStringLiteral("5 кГц"));
    EXPECT_EQ(W.VXFrequencyMeter_PromEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    W.VXFrequencyMeter_PromEdit->setText(QStringLiteral("  1000"));
    EXPECT_EQ(W.VXFrequencyMeter_PromEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(Result(), QStringLiteral("5 кГц")) << "the displays wait for the next cycle";
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Result(), QStringLiteral("4 кГц"));
}

TEST_F(FrequencyMeterArea, AnInvalidReferenceTurnsRedAndSendsNothing) {
    Meter->RawCount = 100000;
    H.FrequencyMeterTicks(1);
    W.VXFrequencyMeter_CalibrateEdit->setText(QStringLiteral("1e5"));
    EXPECT_EQ(W.VXFrequencyMeter_CalibrateEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    W.VXFrequencyMeter_CalibrateButtonClick();
    EXPECT_TRUE(Meter->Received.empty());
    W.VXFrequencyMeter_CalibrateEdit->setText(QStringLiteral("$186A0"));  // 100000
    W.VXFrequencyMeter_CalibrateButtonClick();
    EXPECT_EQ(W.VXFrequencyMeter_CalibrateEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(Meter->ReceivedWithCode(5).size(), 4u);
}

TEST(MeasurementLocale, ACommaLocaleWritesACommaAndUnboundShowsNothing) {
    TWindowHarness h(QLocale(QLocale::Russian, QLocale::Russia));
    h.FrequencyMeterTicks(1);
    EXPECT_EQ(h.Window->VXFrequencyMeter_ResultLabel->text(), QStringLiteral("0 Гц"));
    EXPECT_TRUE(h.Platform.Wire().empty());
    auto meter = h.PlugFrequencyMeter();
    meter->RawCount = 123456;
    h.ProcessEvents();
    h.FrequencyMeterTicks(2);
    EXPECT_EQ(h.Window->VXFrequencyMeter_ResultLabel->text(), QStringLiteral("123,5 кГц"));
}

TEST(EditColours, ValidTextTakesTheThemesTextColourNotBlack) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    {
        TWindowHarness h;
        for (QLineEdit* edit : {h.Window->VXFrequencyMeter_PromEdit, h.Window->VXFrequencyMeter_CalibrateEdit,
                                h.Window->VXLogger_CalibrateEdit}) {
            edit->setText(QStringLiteral("x"));
            EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
            edit->setText(QStringLiteral("1"));
            EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(230, 230, 230)) << qPrintable(edit->objectName());
        }
        EXPECT_EQ(h.Window->VXLogger_LevelEdit_CH2->palette().color(QPalette::Text), QColor(0, 0, 0))
            << "the level edits keep their own colours on their own fields";
    }
    QApplication::setPalette(saved);
}

}  // namespace
}  // namespace tavik
