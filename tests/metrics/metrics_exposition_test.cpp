// The exposition in both formats: counters' and infos' names, escaping,
// values, empty families left out, and the format an Accept field asks for.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "metrics/metrics_exposition.h"

namespace tavik::metrics {
namespace {

const std::vector<TMetricFamily> Families = {
    {"tavik_build", TMetricType::Info, "The version.", {{{{"version", "0.2.0"}}, 0}}},
    {"tavik_reports", TMetricType::Counter, "Reports \\ counted\nhere \"so\".",
     {{{{"kind", "logger"}}, 29}, {{{"kind", "a\"b\\c\nd"}}, 0}}},
    {"tavik_gone", TMetricType::Gauge, "Nothing to show.", {}},
    {"tavik_frequency_hertz", TMetricType::Gauge, "Hertz.", {{{}, 100000}}},
};

TEST(MetricsExposition, TextFormat) {
    EXPECT_EQ(Exposition(Families, TExpositionFormat::Text),
              "# HELP tavik_build_info The version.\n"
              "# TYPE tavik_build_info gauge\n"
              "tavik_build_info{version=\"0.2.0\"} 1\n"
              "# HELP tavik_reports_total Reports \\\\ counted\\nhere \"so\".\n"
              "# TYPE tavik_reports_total counter\n"
              "tavik_reports_total{kind=\"logger\"} 29\n"
              "tavik_reports_total{kind=\"a\\\"b\\\\c\\nd\"} 0\n"
              "# HELP tavik_frequency_hertz Hertz.\n"
              "# TYPE tavik_frequency_hertz gauge\n"
              "tavik_frequency_hertz 100000\n");
}

TEST(MetricsExposition, OpenMetrics) {
    EXPECT_EQ(Exposition(Families, TExpositionFormat::OpenMetrics),
              "# HELP tavik_build The version.\n"
              "# TYPE tavik_build info\n"
              "tavik_build_info{version=\"0.2.0\"} 1\n"
              "# HELP tavik_reports Reports \\\\ counted\\nhere \\\"so\\\".\n"
              "# TYPE tavik_reports counter\n"
              "tavik_reports_total{kind=\"logger\"} 29\n"
              "tavik_reports_total{kind=\"a\\\"b\\\\c\\nd\"} 0\n"
              "# HELP tavik_frequency_hertz Hertz.\n"
              "# TYPE tavik_frequency_hertz gauge\n"
              "tavik_frequency_hertz 100000\n"
              "# EOF\n");
}

TEST(MetricsExposition, ValuesReadBackAsTheyWere) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"}, {-0.0, "0"}, {100000, "100000"}, {-3, "-3"}, {1e15, "1e+15"}, {0.1, "0.1"},
        {6.466498374938965, "6.466498374938965"}, {1.25f, "1.25"}, {std::nan(""), "NaN"},
        {std::numeric_limits<double>::infinity(), "+Inf"}, {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(SampleValueText(value), text) << value;
}

TEST(MetricsExposition, OpenMetricsOnlyWhenAskedFor) {
    using F = TExpositionFormat;
    const std::pair<const char*, F> cases[] = {
        {"", F::Text},
        {"text/plain", F::Text},
        {"*/*", F::Text},
        {"application/openmetrics-text", F::OpenMetrics},
        // Prometheus 2.42's own.
        {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;q=0.75,"
         "text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
         F::OpenMetrics},
        {"text/plain;q=0.9, Application/OpenMetrics-Text ; version=1.0.0", F::OpenMetrics},
        {"application/openmetrics-text;q=0", F::Text},
        {"application/openmetrics-text;q=0.0, text/plain", F::Text},
        {"application/openmetrics-textual", F::Text},
    };
    for (const auto& [accept, format] : cases) EXPECT_EQ(FormatAccepted(accept), format) << accept;
}

}  // namespace
}  // namespace tavik::metrics
