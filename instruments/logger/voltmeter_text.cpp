#include "voltmeter_text.h"

#include "common/number_text.h"

namespace tavik::logger {

std::string VoltmeterText(const TAcquisition& acquisition, int channel, char separator) {
    std::string text = channel == 1 ? "V1 = " : "V2 = ";
    if (!acquisition.Decoded) return text + "0.000 В";
    const std::optional<double>& volts = channel == 1 ? acquisition.VCH1Volts : acquisition.VCH2Volts;
    if (!volts) return text + "NA";
    return text + FixedText(*volts, acquisition.VoltsPrecision, acquisition.VoltsDecimals, separator) + " В";
}

}  // namespace tavik::logger
