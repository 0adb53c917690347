#pragma once
// Metric families written out for a scraper: the Prometheus text format
// (version 0.0.4) or OpenMetrics 1.0 when the scraper's Accept asks for it.
// A family with no samples is left out. Pure text handling.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik::metrics {

enum class TMetricType {
    Gauge,
    Counter,  // Name without "_total"; its samples carry the suffix
    Info,     // Name without "_info"; each sample is 1
};

struct TMetricSample {
    std::vector<std::pair<std::string, std::string>> Labels;
    double Value = 0;
};

struct TMetricFamily {
    std::string Name;
    TMetricType Type = TMetricType::Gauge;
    std::string Help;
    std::vector<TMetricSample> Samples;
};

enum class TExpositionFormat { Text, OpenMetrics };

// OpenMetrics when the Accept field names application/openmetrics-text with
// a quality above 0; the text format otherwise.
TExpositionFormat FormatAccepted(std::string_view accept);
// The Content-Type of an answer in the format.
const char* ContentTypeOf(TExpositionFormat format);

// The families in their order; OpenMetrics ends with "# EOF".
std::string Exposition(const std::vector<TMetricFamily>& families, TExpositionFormat format);

// A value as both formats write it: whole numbers in full, others in the
// shortest text that reads back to the same double; "NaN", "+Inf", "-Inf".
std::string SampleValueText(double value);

}  // namespace tavik::metrics
