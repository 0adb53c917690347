#include "frequency_meter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display_number.h"
#include "logger/calibration_factor.h"
#include "integer_text.h"

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

void TFrequencyMeter::Begin(TFrame& frame, uint8_t code, uint16_t address) {
    frame[0] = code;
    frame[1] = Port_.NextSequence();
    frame[2] = static_cast<uint8_t>(address & 0xFF);
    frame[3] = static_cast<uint8_t>(address >> 8);
}

void TFrequencyMeter::RequestMeasurement() {
    if (!Port_.Present()) return;
    MeasurementBuffer[0] = CmdRequestMeasurement;
    MeasurementBuffer[1] = Port_.NextSequence();
    SealCommand(MeasurementBuffer);
    Port_.SendReport(MeasurementBuffer);
}

std::optional<TReading> TFrequencyMeter::Cycle(std::string_view promText, char separator) {
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
    reading.ResultText = ResultText(Result(LastRawCount, FreqCalFactor, offset.value_or(0)), separator);
    reading.InputIn = (r[2] & InputInBit) != 0;
    return reading;
}

void TFrequencyMeter::ReadFrequencyCalibration() {
    uint8_t bytes[4] = {0x00, 0x00, 0x80, 0x3F};
    if (!Port_.Present()) return;
    for (uint16_t i = 0; i < 4; ++i) {
        Begin(MemoryReadBuffer, CmdReadMemoryByte, CalFactorAddress + i);
        MemoryReadBuffer[4] = 0;
        SealCommand(MemoryReadBuffer);
        if (!Port_.SendReport(MemoryReadBuffer)) break;
        if (!Port_.ReadReport(MemoryReadBuffer)) break;
        bytes[i] = MemoryReadBuffer[4];
    }
    float factor;
    std::memcpy(&factor, bytes, sizeof factor);
    FreqCalFactor = AcceptedFactor(factor);
}

void TFrequencyMeter::Calibrate(int32_t reference) {
    if (LastRawCount < MinimumCalibrationHz || reference < MinimumCalibrationHz) return;
    const auto factor = static_cast<float>(static_cast<double>(reference) / LastRawCount);
    if (InFactorRange(factor) && Port_.Present()) {
        uint8_t bytes[4];
        std::memcpy(bytes, &factor, sizeof bytes);
        for (uint16_t i = 0; i < 4; ++i) {
            Begin(MemoryWriteBuffer, CmdWriteMemoryByte, CalFactorAddress + i);
            MemoryWriteBuffer[4] = bytes[i];
            SealCommand(MemoryWriteBuffer);
            if (!Port_.SendReport(MemoryWriteBuffer)) break;
        }
    }
    ReadFrequencyCalibration();
}

}  // namespace tavik::freqmeter
