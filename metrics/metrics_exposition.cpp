#include "metrics_exposition.h"

#include <charconv>
#include <cctype>
#include <cmath>

namespace tavik::metrics {

namespace {

constexpr std::string_view OpenMetricsType = "application/openmetrics-text";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The media range's quality: 1 unless a q parameter says otherwise.
bool Wanted(std::string_view parameters) {
    while (!parameters.empty()) {
        const std::size_t semicolon = parameters.find(';');
        const std::string_view parameter = Trimmed(parameters.substr(0, semicolon));
        if (parameter.size() > 2 && (parameter[0] == 'q' || parameter[0] == 'Q') && parameter[1] == '=') {
            double quality = 0;
            const std::string_view number = parameter.substr(2);
            const auto read = std::from_chars(number.data(), number.data() + number.size(), quality);
            return read.ec == std::errc() && quality > 0;
        }
        if (semicolon == std::string_view::npos) break;
        parameters.remove_prefix(semicolon + 1);
    }
    return true;
}

void AppendEscaped(std::string& out, std::string_view text, bool quotes) {
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '"' && quotes) out += "\\\"";
        else out += c;
    }
}

const char* TypeName(TMetricType type, TExpositionFormat format) {
    switch (type) {
    case TMetricType::Counter: return "counter";
    case TMetricType::Info: return format == TExpositionFormat::OpenMetrics ? "info" : "gauge";
    case TMetricType::Gauge: break;
    }
    return "gauge";
}

const char* Suffix(TMetricType type) {
    switch (type) {
    case TMetricType::Counter: return "_total";
    case TMetricType::Info: return "_info";
    case TMetricType::Gauge: break;
    }
    return "";
}

}  // namespace

TExpositionFormat FormatAccepted(std::string_view accept) {
    while (!accept.empty()) {
        const std::size_t comma = accept.find(',');
        const std::string_view range = Trimmed(accept.substr(0, comma));
        const std::size_t semicolon = range.find(';');
        if (SameLetters(Trimmed(range.substr(0, semicolon)), OpenMetricsType) &&
            Wanted(semicolon == std::string_view::npos ? std::string_view() : range.substr(semicolon + 1)))
            return TExpositionFormat::OpenMetrics;
        if (comma == std::string_view::npos) break;
        accept.remove_prefix(comma + 1);
    }
    return TExpositionFormat::Text;
}

const char* ContentTypeOf(TExpositionFormat format) {
    return format == TExpositionFormat::OpenMetrics ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
                                                    : "text/plain; version=0.0.4; charset=utf-8";
}

std::string SampleValueText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char text[32];
    // Whole numbers in full (100000, not 1e+05), as far as a double holds them.
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        const auto whole = std::to_chars(text, text + sizeof text, static_cast<long long>(value));
        return std::string(text, whole.ptr);
    }
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::string Exposition(const std::vector<TMetricFamily>& families, TExpositionFormat format) {
    const bool open = format == TExpositionFormat::OpenMetrics;
    std::string out;
    out.reserve(4096);
    for (const TMetricFamily& family : families) {
        if (family.Samples.empty()) continue;
        const std::string sampleName = family.Name + Suffix(family.Type);
        // The text format names a counter's or info's family as its samples.
        const std::string& familyName = open ? family.Name : sampleName;
        out += "# HELP " + familyName + ' ';
        AppendEscaped(out, family.Help, open);
        out += "\n# TYPE " + familyName + ' ' + TypeName(family.Type, format) + '\n';
        for (const TMetricSample& sample : family.Samples) {
            out += sampleName;
            if (!sample.Labels.empty()) {
                out += '{';
                for (std::size_t i = 0; i < sample.Labels.size(); ++i) {
                    if (i) out += ',';
                    out += sample.Labels[i].first + "=\"";
                    AppendEscaped(out, sample.Labels[i].second, true);
                    out += '"';
                }
                out += '}';
            }
            out += ' ' + SampleValueText(family.Type == TMetricType::Info ? 1.0 : sample.Value) + '\n';
        }
    }
    if (open) out += "# EOF\n";
    return out;
}

}  // namespace tavik::metrics
