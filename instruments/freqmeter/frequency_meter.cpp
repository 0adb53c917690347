#include "frequency_meter.h"

#include <algorithm>
#include <cmath>

#include "common/calibration_factor.h"
#include "common/display_number.h"
#include "common/integer_text.h"
#include "device/parameter_memory.h"

namespace tavik::freqmeter {

namespace {
// factor = mantissa * 2^-shift with an integer mantissa of 24 bits.
struct TExactFactor {
    int64_t Mantissa;
    int Shift;
};

TExactFactor Exact(float factor) {
    int exponent = 0;
    const float fraction = std::frexp(factor, &exponent);
    return {static_cast<int64_t>(std::ldexp(fraction, 24)), 24 - exponent};
}

}  // namespace

int64_t WholeHertz(int32_t raw, float factor) {
    if (!std::isfinite(factor)) return 0;
    const TExactFactor exact = Exact(factor);
    const int64_t product = static_cast<int64_t>(raw) * exact.Mantissa;  // at most 55 bits
    if (exact.Shift >= 63) return 0;
    if (exact.Shift <= 0) return product * (int64_t{1} << std::min(-exact.Shift, 8));
    return product / (int64_t{1} << exact.Shift);  // division truncates toward zero
}

float Result(int32_t raw, float factor, int32_t offset) {
    // Exact in a 64-bit mantissa: the product needs at most 55 bits.
    const long double value = static_cast<long double>(raw) * static_cast<long double>(factor) - offset;
    return static_cast<float>(value);
}

std::string ResultText(float result, char separator) {
    const long double value = result;
    if (value < 900) return DisplayNumber(value, separator) + " Гц";
    if (value < 900000) return DisplayNumber(value * 0.001L, separator) + " кГц";
    return DisplayNumber(value * 0.000001L, separator) + " МГц";
}

void TFrequencyMeter::RequestMeasurement() {
    if (!Port_.Present()) return;
    Port_.BeginCommand(MeasurementBuffer, CmdRequestMeasurement);
    SealCommand(MeasurementBuffer);
    Port_.SendReport(MeasurementBuffer);
}

std::optional<TReading> TFrequencyMeter::Cycle(std::string_view promText) {
    if (!Port_.Present()) return std::nullopt;
    if (!Port_.ReadReport(MeasurementBuffer)) return std::nullopt;
    if (MeasurementBuffer[0] != MeasurementReportKind) {
        RequestMeasurement();
        return std::nullopt;
    }
    const TFrame& r = MeasurementBuffer;
    LastRawCount = static_cast<int32_t>(static_cast<uint32_t>(r[3]) | static_cast<uint32_t>(r[4]) << 8 |
                                        static_cast<uint32_t>(r[5]) << 16 | static_cast<uint32_t>(r[6]) << 24);
    TReading reading;
    reading.FrequencyText = std::to_string(WholeHertz(LastRawCount, FreqCalFactor));
    const std::optional<int32_t> offset = ParseInteger(promText);
    reading.PromValid = offset.has_value();
    reading.ResultText = ResultText(Result(LastRawCount, FreqCalFactor, offset.value_or(0)), Separator_);
    reading.InputIn = (r[2] & InputInBit) != 0;
    return reading;
}

void TFrequencyMeter::ReadFrequencyCalibration() {
    if (!Port_.Present()) return;
    FreqCalFactor = AcceptedFactor(ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactorAddress));
}

void TFrequencyMeter::Calibrate(int32_t reference) {
    if (LastRawCount < MinimumCalibrationHz || reference < MinimumCalibrationHz) return;
    const auto factor = static_cast<float>(static_cast<double>(reference) / LastRawCount);
    if (InFactorRange(factor) && Port_.Present()) WriteMemoryFloat(Port_, MemoryWriteBuffer, CalFactorAddress, factor);
    ReadFrequencyCalibration();
}

}  // namespace tavik::freqmeter
