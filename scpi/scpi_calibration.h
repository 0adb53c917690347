#pragma once
// What a calibration did, as the error queue tells it: nothing when the
// factor stands in the module as meant; else the rule that refused it, or the
// transfer or read-back that lost it.
#include <optional>
#include <string>

#include "common/calibration_factor.h"
#include "scpi_error.h"

namespace tavik::scpi {

struct TCalibrationTerms {
    std::string Subject;   // "channel 2: ", or empty for the module's one factor
    std::string Measured;  // the measurement the factor was formed from, with its unit
    std::string Minimum;   // the least measurement and reference, with the unit
};

std::optional<TError> CalibrationError(const TCalibrationResult& result, const TCalibrationTerms& terms);

}  // namespace tavik::scpi
