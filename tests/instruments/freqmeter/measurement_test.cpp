// The 250 ms cycle through the simulated frequency meter: texts, units, the IN
// input and the frames on the wire.
#include <gtest/gtest.h>

#include <bit>

#include "common/display_number.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using test::Hex;

TEST(DisplayNumber, FourSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},          {850, "850"},           {899, "899"},        {0.9, "0.9"},  {1, "1"},
        {123.456, "123.5"}, {899.9996, "900"},   {12.345678, "12.35"}, {-12345, "-1.235E004"},
        {-355000, "-3.55E005"}, {2.25, "2.25"},   {0.0012345, "0.001234"}, {0.00012345, "0.0001234"}, {0.00001, "1E-005"},
        {99995, "1E005"},  {9999.6, "1E004"},     {1234.5, "1235"},   {-1, "-1"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(DisplayNumber(ExtendedOf(value), '.'), text) << value;
    EXPECT_EQ(DisplayNumber(ExtendedOf(0.9), ','), "0,9");
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

TEST(ResultText, DecimalHalvesInEachUnitAsTheExtendedFormatRoundsThem) {
    using freqmeter::ResultText;
    EXPECT_EQ(ResultText(300.75f, '.'), "300.8 Гц");
    EXPECT_EQ(ResultText(12345, '.'), "12.34 кГц") << "12.3449999... in the extended format";
    EXPECT_EQ(ResultText(123450, '.'), "123.4 кГц");
    EXPECT_EQ(ResultText(1234500, ','), "1,235 МГц") << "1.2345000...026";
    EXPECT_EQ(ResultText(2345500, '.'), "2.346 МГц");
    EXPECT_EQ(ResultText(900500, '.'), "0.9005 МГц");
    // raw x factor - offset formed exactly and rounded once.
    EXPECT_EQ(std::bit_cast<uint32_t>(freqmeter::Result(INT32_MAX, 1.25f - 0x1p-23f, -INT32_MAX)), 0x4F8FFFFFu);
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
    test::TInstrumentHarness H{'.'};
    std::shared_ptr<sim::TFrequencyMeterSimulator> Module = H.PlugFrequencyMeter();
    freqmeter::TFrequencyMeter& Meter = H.Meter();
    std::optional<freqmeter::TReading> Reading;

    void SetUp() override {
        H.ProcessEvents();
        H.MeterTicks(1);  // the last memory answer asks for a measurement
        Module->Received.clear();
    }
    // Keeps the last reading, as the area keeps what it shows; true when a
    // measurement was accepted.
    bool Tick(int32_t offsetHz = 0) {
        const auto reading = H.MeterTicks(1, offsetHz);
        if (reading) Reading = reading;
        return reading.has_value();
    }
    // As the area words them.
    std::string Result() const { return Reading ? freqmeter::ResultText(Reading->Result, '.') : "-"; }
    std::string Frequency() const { return Reading ? std::to_string(Reading->Hertz) : "-"; }
};

TEST_F(Measurement, HundredKilohertzWithInputIn) {
    Module->RawCount = 100000;
    Module->InputIn = true;
    Tick();
    EXPECT_EQ(Frequency(), "100000");
    EXPECT_EQ(Result(), "100 кГц");
    EXPECT_TRUE(Reading->InputIn);
    EXPECT_TRUE(Module->Received.empty()) << "an accepted report sends nothing";
}

TEST_F(Measurement, AnIntermediateFrequencyAboveTheSignalGivesANegativeResultInHertz) {
    Module->RawCount = 100000;
    Tick(455000);
    EXPECT_EQ(Result(), "-3.55E005 Гц");
    EXPECT_EQ(Frequency(), "100000");
}

TEST_F(Measurement, FactorsScaleTheFrequency) {
    Module->Memory.StoreFloat(16, 1.25f);
    Meter.ReadFrequencyCalibration();
    Meter.RequestMeasurement();
    Module->RawCount = 1000;
    Tick();
    EXPECT_EQ(Frequency(), "1250");
    EXPECT_EQ(Reading->Hertz, 1250);
    EXPECT_EQ(Result(), "1.25 кГц");
    Module->Memory.StoreFloat(16, 0.75f);
    Meter.ReadFrequencyCalibration();
    Meter.RequestMeasurement();
    Module->RawCount = 3;
    Tick();
    EXPECT_EQ(Frequency(), "2");
    EXPECT_EQ(Result(), "2.25 Гц");
}

TEST_F(Measurement, MinusOneAndUnitThresholds) {
    const std::pair<int32_t, const char*> cases[] = {
        {-1, "-1 Гц"}, {899, "899 Гц"}, {900, "0.9 кГц"}, {900000, "0.9 МГц"}, {0, "0 Гц"}};
    for (const auto& [count, text] : cases) {
        Module->RawCount = count;
        Tick();
        EXPECT_EQ(Result(), text);
    }
    Module->RawCount = -1;
    Tick();
    EXPECT_EQ(Frequency(), "-1");
}

TEST_F(Measurement, AReportOfAnotherKindIsAnsweredWithARequestCarryingItsBytes) {
    Module->RawCount = 777;
    Tick();
    Module->ForcedKind = 5;
    Module->ForcedKindReads = 1;
    Module->RawCount = 0x01020304;
    Module->InputIn = true;
    EXPECT_FALSE(Tick());
    ASSERT_EQ(Module->Received.size(), 1u);
    const TFrame& request = Module->Received[0];
    EXPECT_EQ(request[0], 1);
    EXPECT_EQ(Hex(request).substr(6), "01 04 03 02 01 F4");
    EXPECT_EQ(Result(), "777 Гц") << "displays unchanged";
}

TEST_F(Measurement, StatusBitZeroAloneDrivesTheInIndicator) {
    Module->InputIn = true;
    Tick();
    EXPECT_TRUE(Reading->InputIn);
    Module->InputIn = false;
    Module->ExtraStatusBits = 0xFE;
    Tick();
    EXPECT_FALSE(Reading->InputIn);
}

TEST_F(Measurement, AFailedReadChangesNothing) {
    Module->RawCount = 1234;
    Tick();
    Module->RawCount = 4321;
    Module->FailReads = 1;
    EXPECT_FALSE(Tick());
    EXPECT_EQ(Frequency(), "1234");
    EXPECT_TRUE(Module->Received.empty());
    EXPECT_EQ(Meter.LastRawCount, 1234);
}

TEST(MeasurementUnbound, GivesNothingUntilAMeterIsBound) {
    test::TInstrumentHarness h(',');
    EXPECT_FALSE(h.MeterTicks(1));
    EXPECT_TRUE(h.Platform.Wire().empty());
    auto meter = h.PlugFrequencyMeter();
    meter->RawCount = 123456;
    h.ProcessEvents();
    EXPECT_TRUE(h.Polling[SlotOf(TInstrumentKind::FrequencyMeter)]);
    EXPECT_EQ(h.MeterTicks(2)->Result, 123456.0f);
}

}  // namespace
}  // namespace tavik
