#include "frequency_meter.h"

#include <algorithm>
#include <cmath>

#include "common/calibration_factor.h"
#include "common/display_number.h"
#include "common/exact_float.h"
#include "device/parameter_memory.h"

namespace tavik::freqmeter {

int64_t WholeHertz(int32_t raw, float factor) {
    if (!std::isfinite(factor)) return 0;
    const TBinaryFloat exact = ExactFloat(factor);
    const int64_t product = static_cast<int64_t>(raw) * exact.Mantissa;  // at most 55 bits
    const int shift = -exact.Exponent;
    if (shift >= 63) return 0;
    if (shift <= 0) return product * (int64_t{1} << std::min(-shift, 8));
    return product / (int64_t{1} << shift);  // division truncates toward zero
}

float Result(int32_t raw, float factor, int32_t offset) {
    if (!std::isfinite(factor)) return static_cast<float>(raw) * factor - static_cast<float>(offset);
    const TBinaryFloat exact = ExactFloat(factor);
    return RoundedSum(static_cast<int64_t>(raw) * exact.Mantissa, exact.Exponent, -static_cast<int64_t>(offset), 0);
}

std::string ResultText(float result, char separator) {
    // 0.001 and 0.000001 as the extended format holds them, and the product
    // rounded to it once.
    static const TExtendedFloat Kilo = ExtendedReciprocal(1000);
    static const TExtendedFloat Mega = ExtendedReciprocal(1000000);
    const TExtendedFloat value = ExtendedOf(result);
    if (result < 900) return DisplayNumber(value, separator) + " Гц";
    if (result < 900000) return DisplayNumber(Multiply(value, Kilo), separator) + " кГц";
    return DisplayNumber(Multiply(value, Mega), separator) + " МГц";
}

TTask<bool> TFrequencyMeter::RequestMeasurementTask() {
    if (!Port_.Present()) co_return false;
    Port_.BeginCommand(MeasurementBuffer, CmdRequestMeasurement);
    SealCommand(MeasurementBuffer);
    co_return co_await Port_.Send(MeasurementBuffer);
}

TTask<std::optional<TReading>> TFrequencyMeter::Cycle(int32_t offsetHz) {
    if (!Port_.Present()) co_return std::nullopt;
    if (!co_await Port_.Read(MeasurementBuffer)) co_return std::nullopt;
    if (MeasurementBuffer[0] != MeasurementReportKind) {
        co_await RequestMeasurementTask();
        co_return std::nullopt;
    }
    LastRawCount = RawCountOf(MeasurementBuffer);
    TReading reading;
    reading.Hertz = WholeHertz(LastRawCount, FreqCalFactor);
    reading.Result = Result(LastRawCount, FreqCalFactor, offsetHz);
    reading.InputIn = InputInOf(MeasurementBuffer);
    co_return reading;
}

TTask<float> TFrequencyMeter::ReadFrequencyCalibrationTask() {
    if (!Port_.Present()) co_return FreqCalFactor;
    const float read = co_await ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactorAddress);
    FreqCalFactor = AcceptedFactor(read);
    co_return read;
}

TDetachedTask TFrequencyMeter::ReadOnBind(std::function<void()> ready) {
    const unsigned bind = ++Binds_;
    co_await ReadFrequencyCalibrationTask();
    if (bind == Binds_ && Port_.Present() && ready) ready();
}

TCalibrationCheck TFrequencyMeter::CheckCalibration(int32_t reference) const {
    if (LastRawCount < MinimumCalibrationHz) return {TCalibrationVerdict::MeasurementTooLow};
    if (reference < MinimumCalibrationHz) return {TCalibrationVerdict::ReferenceTooLow};
    const float factor = RoundedQuotient(reference, LastRawCount);
    return {InFactorRange(factor) ? TCalibrationVerdict::Write : TCalibrationVerdict::OutOfRange, factor};
}

TCalibrationResult TFrequencyMeter::Calibrate(int32_t reference) {
    TCalibrationResult result;
    result.Check = CheckCalibration(reference);
    result.ReadBack = FreqCalFactor;
    // Below 900 Hz on either side nothing is sent, not even the read-back.
    const TCalibrationVerdict verdict = result.Check.Verdict;
    if (verdict == TCalibrationVerdict::MeasurementTooLow || verdict == TCalibrationVerdict::ReferenceTooLow) return result;
    if (verdict == TCalibrationVerdict::Write && Port_.Present()) {
        result.WriteFailed =
            !Port_.Finish([&] { return WriteMemoryFloat(Port_, MemoryWriteBuffer, CalFactorAddress, result.Check.Factor); });
        if (result.WriteFailed) result.WriteFailure = Port_.Transfer.Reason;
    }
    result.ReadBack = ReadFrequencyCalibration();
    return result;
}

}  // namespace tavik::freqmeter
