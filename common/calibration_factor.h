#pragma once
// The calibration factor rule both the logger and the frequency meter keep in
// their parameter memory: a factor is used only from 0.75 to 1.25, ends
// included; anything else, a non-number too, is used as 1.0.
#include <bit>
#include <cstdint>

#include "failure_reason.h"

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

// How calibrating one factor ended, the one description each front-end
// words in its own terms.
enum class TCalibrationOutcome {
    Written,            // the factor meant stands in the module's memory, bit for bit
    Refused,            // a rule refused it (Check.Verdict says which): nothing written
    WriteFailed,        // a memory write the module did not take (WriteFailure says why)
    ReadBackOtherwise,  // written, but the memory reads back another factor (ReadBack)
};

// What calibrating one factor did: the rules' word, and with a factor to
// write, whether the module took it and what its memory holds afterwards.
struct TCalibrationResult {
    TCalibrationCheck Check;
    bool WriteFailed = false;       // a memory write the module did not take
    TFailureReason WriteFailure;    // its reason
    float ReadBack = 1.0f;          // the factor read back, before the range rule

    TCalibrationOutcome Outcome() const {
        if (Check.Verdict != TCalibrationVerdict::Write) return TCalibrationOutcome::Refused;
        if (WriteFailed) return TCalibrationOutcome::WriteFailed;
        return std::bit_cast<uint32_t>(ReadBack) == std::bit_cast<uint32_t>(Check.Factor)
                   ? TCalibrationOutcome::Written
                   : TCalibrationOutcome::ReadBackOtherwise;
    }
    bool Written() const { return Outcome() == TCalibrationOutcome::Written; }
};

}  // namespace tavik
