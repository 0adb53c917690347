#pragma once
// The frequency meter module: the measurement cycle, the calibration factor
// kept in the module's parameter memory, and the wording of a result that
// each front-end applies with its own decimal separator.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/calibration_factor.h"
#include "device/report_exchange.h"
#include "freqmeter_protocol.h"

namespace tavik::freqmeter {

// Neither the count nor the reference may be below this to calibrate.
constexpr int32_t MinimumCalibrationHz = 900;

// What one accepted measurement gives.
struct TReading {
    int64_t Hertz = 0;   // calibrated, whole
    float Result = 0;    // calibrated, less the intermediate frequency (see ResultText)
    bool InputIn = false;
};

// The calibrated frequency in whole hertz: raw x factor, exact, truncated
// toward zero. Wide enough for any raw count and factor.
int64_t WholeHertz(int32_t raw, float factor);
// raw x factor - offset, formed exactly and rounded once to a 32-bit float.
float Result(int32_t raw, float factor, int32_t offset);
// The result with its unit: Гц below 900, кГц below 900 000, МГц above.
std::string ResultText(float result, char separator);

class TFrequencyMeter {
public:
    explicit TFrequencyMeter(TInstrumentPort& port) : Port_(port) {}

    TFrame MeasurementBuffer{};
    TFrame MemoryReadBuffer{};
    TFrame MemoryWriteBuffer{};
    int32_t LastRawCount = 0;
    float FreqCalFactor = 0.0f;

    bool Present() const { return Port_.Present(); }
    // What binding a frequency meter does: its factor is read before polling
    // starts; ready is told when it is, unless the meter is gone or replaced
    // by then.
    void OnBound(std::function<void()> ready = nullptr) { ReadOnBind(std::move(ready)); }

    // One 250 ms cycle with the intermediate frequency in hertz; a reading
    // when a measurement was accepted.
    TTask<std::optional<TReading>> Cycle(int32_t offsetHz);
    void RequestMeasurement() { Port_.Finish([this] { return RequestMeasurementTask(); }); }
    TTask<bool> RequestMeasurementTask();
    // The factor from parameter memory, out-of-range values as 1.0; returns
    // it as read, before that rule.
    float ReadFrequencyCalibration() { return Port_.Finish([this] { return ReadFrequencyCalibrationTask(); }); }
    TTask<float> ReadFrequencyCalibrationTask();
    // What calibrating against the reference would do with the last count.
    TCalibrationCheck CheckCalibration(int32_t reference) const;
    // The calibration click after the reference text passed the integer test.
    TCalibrationResult Calibrate(int32_t reference);

private:
    TDetachedTask ReadOnBind(std::function<void()> ready);

    TInstrumentPort& Port_;
    unsigned Binds_ = 0;  // which binding a binding's reads are for
};

}  // namespace tavik::freqmeter
