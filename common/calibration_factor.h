#pragma once
// The calibration factor rule both the logger and the frequency meter keep in
// their parameter memory: a factor is used only from 0.75 to 1.25, ends
// included; anything else, a non-number too, is used as 1.0.
namespace tavik {

constexpr float MinimumCalibrationFactor = 0.75f;
constexpr float MaximumCalibrationFactor = 1.25f;

// False for a non-number as well.
constexpr bool InFactorRange(float factor) {
    return factor >= MinimumCalibrationFactor && factor <= MaximumCalibrationFactor;
}

constexpr float AcceptedFactor(float factor) { return InFactorRange(factor) ? factor : 1.0f; }

// Whether a calibration may write its factor, and if not, why.
enum class TCalibrationVerdict { Write, MeasurementTooLow, ReferenceTooLow, OutOfRange };

struct TCalibrationCheck {
    TCalibrationVerdict Verdict = TCalibrationVerdict::Write;
    float Factor = 1.0f;  // reference / measurement, once both are high enough
};

}  // namespace tavik
