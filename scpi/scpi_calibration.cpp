#include "scpi_calibration.h"

#include "scpi_values.h"

namespace tavik::scpi {

std::optional<TError> CalibrationError(const TCalibrationResult& result, const TCalibrationTerms& terms) {
    const TCalibrationCheck& check = result.Check;
    switch (result.Outcome()) {
    case TCalibrationOutcome::Written: return std::nullopt;
    case TCalibrationOutcome::Refused: break;
    case TCalibrationOutcome::WriteFailed: {
        const std::string_view reason = result.WriteFailure.Text();
        return TError{HardwareError, terms.Subject + "the factor was not written" +
                                         (reason.empty() ? "" : ": " + std::string(reason))};
    }
    case TCalibrationOutcome::ReadBackOtherwise:
        return TError{HardwareError,
                      terms.Subject + "the factor " + Nr3(check.Factor) + " reads back as " + Nr3(result.ReadBack)};
    }
    switch (check.Verdict) {
    case TCalibrationVerdict::Write: break;
    case TCalibrationVerdict::ReferenceTooLow: return TError{DataOutOfRange, "the reference is below " + terms.Minimum};
    case TCalibrationVerdict::MeasurementTooLow:
        return TError{CalibrationFailed,
                      terms.Subject + "the measurement, " + terms.Measured + ", is below " + terms.Minimum};
    case TCalibrationVerdict::OutOfRange:
        return TError{CalibrationFailed, terms.Subject + "the factor would be " + Fixed(check.Factor, 5, 4) +
                                             ", outside " + Fixed(MinimumCalibrationFactor, 3, 2) + " to " +
                                             Fixed(MaximumCalibrationFactor, 3, 2)};
    }
    return std::nullopt;
}

}  // namespace tavik::scpi
