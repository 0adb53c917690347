// Any 8-byte report with any factors through the logger's decoding: at most
// two points per trace, the record fields within their room, the voltmeter
// texts well formed.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/calibration_factor.h"
#include "instruments/logger/acquisition.h"
#include "instruments/logger/logger_protocol.h"
#include "instruments/logger/voltmeter_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    tavik::TFrame report;
    std::memcpy(report.data(), data, 8);
    float k1;
    float k2;
    std::memcpy(&k1, data + 8, 4);
    std::memcpy(&k2, data + 12, 4);
    // Factors reach the decoding only after the range rule.
    k1 = tavik::AcceptedFactor(k1);
    k2 = tavik::AcceptedFactor(k2);
    static tavik::logger::TAcquisition acquisition;
    tavik::logger::TRecordFields fields;
    const char separator = (size > 16 && (data[16] & 1)) ? ',' : '.';
    const tavik::logger::TSamples samples = tavik::logger::DecodeSamples(report);
    const tavik::logger::TTracePoints points = acquisition.Process(samples, k1, k2);
    tavik::logger::FormatRecordFields(report, samples, k1, k2, separator, fields);
    for (double y : {points.Channel1[0], points.Channel1[1], points.Channel2[0], points.Channel2[1]})
        if (!std::isfinite(y) || std::fabs(y) > 1.25 * 32768 * 7.5315 / 1024 + 1) std::abort();
    if (fields.Length == 0 || fields.Length >= sizeof fields.Text) std::abort();
    for (int channel : {1, 2}) {
        const std::string text = tavik::logger::VoltmeterText(acquisition, channel, separator);
        const std::string prefix = channel == 1 ? "V1 = " : "V2 = ";
        const bool shown = text.size() > 8 && text.ends_with(" В") && text.find(separator) != std::string::npos;
        if (!text.starts_with(prefix) || !(shown || text == prefix + "NA")) std::abort();
    }
    if (!std::isfinite(acquisition.V1Avg) || !std::isfinite(acquisition.V2Avg)) std::abort();
    return 0;
}
