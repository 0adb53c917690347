// Any raw count with any factor and offset through the frequency meter's
// texts: the whole-hertz value is the exact product truncated, the result
// text has a number and a unit.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/calibration_factor.h"
#include "common/display_number.h"
#include "instruments/freqmeter/frequency_meter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    int32_t raw;
    float factor;
    int32_t offset;
    std::memcpy(&raw, data, 4);
    std::memcpy(&factor, data + 4, 4);
    std::memcpy(&offset, data + 8, 4);
    factor = tavik::AcceptedFactor(factor);
    const int64_t hertz = tavik::freqmeter::WholeHertz(raw, factor);
    const long double exact = static_cast<long double>(raw) * factor;
    if (hertz != static_cast<int64_t>(std::trunc(exact))) std::abort();
    const float result = tavik::freqmeter::Result(raw, factor, offset);
    const std::string text = tavik::freqmeter::ResultText(result, (data[0] & 1) ? ',' : '.');
    if (text.size() > 40 || text.find(" ") == std::string::npos) std::abort();
    if (text.find("Гц") == std::string::npos) std::abort();
    if (tavik::DisplayNumber(tavik::ExtendedOf(result), '.').size() > 16) std::abort();
    return 0;
}
