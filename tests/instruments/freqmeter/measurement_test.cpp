// The 250 ms cycle through the simulated frequency meter: texts, units, the IN
// input and the frames on the wire.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "common/display_number.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::Hex;
using test::TWindowHarness;

TEST(DisplayNumber, FourSignificantDigits) {
    const std::pair<long double, const char*> cases[] = {
        {0, "0"},          {850, "850"},           {899, "899"},        {0.9L, "0.9"},  {1, "1"},
        {123.456L, "123.5"}, {899.9996L, "900"},   {12.345678L, "12.35"}, {-12345, "-1.235E004"},
        {-355000, "-3.55E005"}, {2.25L, "2.25"},   {0.0012345L, "0.001235"}, {0.00012345L, "0.0001234"}, {0.00001L, "1E-005"},
        {99995, "1E005"},  {9999.6L, "1E004"},     {1234.5L, "1235"},   {-1, "-1"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(DisplayNumber(value, '.'), text) << static_cast<double>(value);
    EXPECT_EQ(DisplayNumber(0.9L, ','), "0,9");
}

TEST(ResultText, UnitsAndThresholds) {
    using freqmeter::ResultText;
    EXPECT_EQ(ResultText(899, '.'), "899 Гц");
    EXPECT_EQ(ResultText(900, '.'), "0.9 кГц");
    EXPECT_EQ(ResultText(1000, '.'), "1 кГц");
    EXPECT_EQ(ResultText(123456, '.'), "123.5 кГц");
    EXPECT_EQ(ResultText(899999.6f, '.'), "900 кГц");
    EXPECT_EQ(ResultText(900000, '.'), "0.9 МГц");
    EXPECT_EQ(ResultText(12345678, '.'), "12.35 МГц");
    EXPECT_EQ(ResultText(-12345, '.'), "-1.235E004 Гц");
    EXPECT_EQ(ResultText(0, '.'), "0 Гц");
}

TEST(WholeHertz, ExactProductTruncatedTowardZero) {
    using freqmeter::WholeHertz;
    EXPECT_EQ(WholeHertz(3, 0.75f), 2);
    EXPECT_EQ(WholeHertz(-3, 0.75f), -2);
    EXPECT_EQ(WholeHertz(1000, 1.25f), 1250);
    EXPECT_EQ(WholeHertz(100000, 1.0f), 100000);
    // 2^31 - 1 times 1.25 does not fit 32 bits: the true value is shown.
    EXPECT_EQ(WholeHertz(INT32_MAX, 1.25f), 2684354558);
    EXPECT_EQ(WholeHertz(INT32_MIN, 1.25f), -2684354560);
    EXPECT_EQ(WholeHertz(99000, 1.0101009607315063f), 99999);
}

class Measurement : public ::testing::Test {
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

TEST_F(Measurement, HundredKilohertzWithInputIn) {
    Meter->RawCount = 100000;
    Meter->InputIn = true;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("100000"));
    EXPECT_EQ(Result(), QStringLiteral("100 кГц"));
    EXPECT_TRUE(W.VXFrequencyMeter_LAinRadioButton->isChecked());
    EXPECT_TRUE(Meter->Received.empty()) << "an accepted report sends nothing";
}

TEST_F(Measurement, AnIntermediateFrequencyAboveTheSignalGivesANegativeResultInHertz) {
    Meter->RawCount = 100000;
    W.VXFrequencyMeter_PromEdit->setText(QStringLiteral("455000"));
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Result(), QStringLiteral("-3.55E005 Гц"));
    EXPECT_EQ(Frequency(), QStringLiteral("100000"));
}

TEST_F(Measurement, LettersInTheOffsetTurnItRedAndAreNotSubtracted) {
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

TEST_F(Measurement, FactorsScaleTheFrequency) {
    Meter->Memory.StoreFloat(16, 1.25f);
    W.Instruments.FrequencyMeter.ReadFrequencyCalibration();
    W.Instruments.FrequencyMeter.RequestMeasurement();
    Meter->RawCount = 1000;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("1250"));
    EXPECT_EQ(Result(), QStringLiteral("1.25 кГц"));
    Meter->Memory.StoreFloat(16, 0.75f);
    W.Instruments.FrequencyMeter.ReadFrequencyCalibration();
    W.Instruments.FrequencyMeter.RequestMeasurement();
    Meter->RawCount = 3;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("2"));
    EXPECT_EQ(Result(), QStringLiteral("2.25 Гц"));
}

TEST_F(Measurement, MinusOneAndUnitThresholds) {
    const std::pair<int32_t, const char*> cases[] = {
        {-1, "-1 Гц"}, {899, "899 Гц"}, {900, "0.9 кГц"}, {900000, "0.9 МГц"}, {0, "0 Гц"}};
    for (const auto& [count, text] : cases) {
        Meter->RawCount = count;
        H.FrequencyMeterTicks(1);
        EXPECT_EQ(Result(), QString::fromUtf8(text));
    }
    Meter->RawCount = -1;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("-1"));
}

TEST_F(Measurement, AReportOfAnotherKindIsAnsweredWithARequestCarryingItsBytes) {
    Meter->RawCount = 777;
    H.FrequencyMeterTicks(1);
    Meter->ForcedKind = 5;
    Meter->ForcedKindReads = 1;
    Meter->RawCount = 0x01020304;
    Meter->InputIn = true;
    H.FrequencyMeterTicks(1);
    ASSERT_EQ(Meter->Received.size(), 1u);
    const TFrame& request = Meter->Received[0];
    EXPECT_EQ(request[0], 1);
    EXPECT_EQ(Hex(request).substr(6), "01 04 03 02 01 F4");
    EXPECT_EQ(Result(), QStringLiteral("777 Гц")) << "displays unchanged";
}

TEST_F(Measurement, StatusBitZeroAloneDrivesTheInIndicator) {
    Meter->InputIn = true;
    H.FrequencyMeterTicks(1);
    EXPECT_TRUE(W.VXFrequencyMeter_LAinRadioButton->isChecked());
    Meter->InputIn = false;
    Meter->ExtraStatusBits = 0xFE;
    H.FrequencyMeterTicks(1);
    EXPECT_FALSE(W.VXFrequencyMeter_LAinRadioButton->isChecked());
}

TEST_F(Measurement, AFailedReadChangesNothing) {
    Meter->RawCount = 1234;
    H.FrequencyMeterTicks(1);
    Meter->RawCount = 4321;
    Meter->FailReads = 1;
    H.FrequencyMeterTicks(1);
    EXPECT_EQ(Frequency(), QStringLiteral("1234"));
    EXPECT_TRUE(Meter->Received.empty());
    EXPECT_EQ(W.Instruments.FrequencyMeter.LastRawCount, 1234);
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

}  // namespace
}  // namespace tavik
