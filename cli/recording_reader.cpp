#include "recording_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "common/local_time.h"
#include "instruments/logger/logger_protocol.h"

namespace tavik::cli {

namespace {
constexpr int ReportColumns = 8;
constexpr int IntervalColumns = 17;

// The digits of text[at, at + n) as a number; -1 when one is not a digit.
int Digits(const std::string& text, std::size_t at, std::size_t n) {
    if (at + n > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

double Seconds(int y, int mo, int d, int h, int mi, int s, int ms) {
    return static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600LL +
                               mi * 60LL + s) +
           ms / 1000.0;
}

// Fields of a line split at the separator, with CSV's quotes.
std::vector<std::string> Fields(const std::string& line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
            else if (c == '"') quoted = false;
            else fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// A number with a point or a comma, whatever the locale.
std::optional<double> Number(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty()) return std::nullopt;
    return value;
}

std::optional<TRowValue> Single(const std::string& text) {
    const auto value = Number(text);
    if (!value) return std::nullopt;
    return TRowValue{*value, *value, *value, 1};
}

// count, min, mean, max from four fields; none when the count is 0.
bool Interval(const std::vector<std::string>& f, std::size_t at, std::optional<TRowValue>& out) {
    if (f[at].empty() || f[at] == "0") return true;
    const auto count = Number(f[at]);
    const auto min = Number(f[at + 1]), mean = Number(f[at + 2]), max = Number(f[at + 3]);
    if (!count || !min || !mean || !max || *count < 1) return false;
    out = TRowValue{*mean, *min, *max, static_cast<int64_t>(*count)};
    return true;
}
}  // namespace

std::optional<std::pair<double, int>> ParseIsoTime(const std::string& t) {
    if (t.size() != 29 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':' || t[19] != '.' ||
        (t[23] != '+' && t[23] != '-') || t[26] != ':')
        return std::nullopt;
    const int parts[] = {Digits(t, 0, 4),  Digits(t, 5, 2),  Digits(t, 8, 2),  Digits(t, 11, 2), Digits(t, 14, 2),
                         Digits(t, 17, 2), Digits(t, 20, 3), Digits(t, 24, 2), Digits(t, 27, 2)};
    for (const int p : parts)
        if (p < 0) return std::nullopt;
    const int offset = (t[23] == '-' ? -1 : 1) * (parts[7] * 60 + parts[8]);
    return std::pair{Seconds(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]) - offset * 60.0, offset};
}

std::string IsoText(double seconds, std::optional<int> offsetMinutes) {
    const long long ms = std::llround((seconds + offsetMinutes.value_or(0) * 60.0) * 1000);
    long long days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    const long long rest = ms - days * 86400000;
    // civil_from_days
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
    char text[48];
    int n = std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld.%03lld", y, m, d, rest / 3600000,
                          rest / 60000 % 60, rest / 1000 % 60, rest % 1000);
    if (offsetMinutes) {
        const int o = std::abs(*offsetMinutes);
        std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%c%02d:%02d", *offsetMinutes < 0 ? '-' : '+',
                      o / 60, o % 60);
    }
    return text;
}

bool TRecordingReader::Open(const std::string& path, std::string& error) {
    // From UTF-8: on Windows a narrow path is taken in the ANSI code page.
    In_.open(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    if (!In_) {
        error = path + ": cannot be read";
        return false;
    }
    if (!ReadHeader(error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool TRecordingReader::ReadHeader(std::string& error) {
    std::string line;
    while (std::getline(In_, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("# rows: one per interval of ", 0) == 0) Interval_ = Number(line.substr(28, line.find(' ', 28) - 28)).value_or(0);
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("time,elapsed_s,", 0) == 0) {
            Columns_ = static_cast<int>(Fields(line, ',').size());
            if (Columns_ != ReportColumns && Columns_ != IntervalColumns) break;
            if (Columns_ == IntervalColumns && Interval_ <= 0) Interval_ = 1;
            if (Columns_ == ReportColumns) Interval_ = 0;
            return true;
        }
        if (Digits(line, 0, 8) >= 0 && line.size() > 18 && line[8] == ';' && Digits(line, 9, 9) >= 0) {
            Window_ = true;
            Pending_ = line;
            return true;
        }
        break;
    }
    error = "not a recording of tavik-cli log or of the window";
    return false;
}

bool TRecordingReader::Next(TRecordedRow& row) {
    std::string line;
    for (;;) {
        if (!Pending_.empty()) {
            line = std::move(Pending_);
            Pending_.clear();
        } else {
            if (!std::getline(In_, line)) return false;
            // A last line without its line end is torn: not data.
            if (In_.eof()) {
                if (!line.empty()) ++Skipped_;
                return false;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
        }
        if (line.empty() || line[0] == '#') continue;
        row = {};
        if (Window_ ? ParseWindow(line, row) : ParseOwn(line, row)) return true;
        ++Skipped_;
    }
}

bool TRecordingReader::ParseOwn(const std::string& line, TRecordedRow& row) const {
    const std::vector<std::string> f = Fields(line, ',');
    if (static_cast<int>(f.size()) != Columns_) return false;
    const auto time = ParseIsoTime(f[0]);
    if (!time) return false;
    row.Time = time->first;
    row.OffsetMinutes = time->second;
    row.Event = f.back();
    if (Columns_ == ReportColumns) {
        row.V1 = Single(f[2]);
        row.V2 = Single(f[3]);
        row.Hertz = Single(f[5]);
        return true;
    }
    return Interval(f, 2, row.V1) && Interval(f, 6, row.V2) && Interval(f, 11, row.Hertz);
}

bool TRecordingReader::ParseWindow(const std::string& line, TRecordedRow& row) const {
    const std::vector<std::string> f = Fields(line, ';');
    if (f.size() < 2 || f[0].size() != 8 || f[1].size() != 9) return false;
    const int d = Digits(f[0], 0, 2), mo = Digits(f[0], 2, 2), y = Digits(f[0], 4, 4);
    const int h = Digits(f[1], 0, 2), mi = Digits(f[1], 2, 2), s = Digits(f[1], 4, 2), ms = Digits(f[1], 6, 3);
    if (d < 1 || mo < 1 || y < 0 || h < 0 || mi < 0 || s < 0 || ms < 0) return false;
    row.Time = Seconds(y, mo, d, h, mi, s, ms);
    if (f.size() == 2 || (f.size() == 3 && f[2].empty())) return true;  // a report without samples
    const auto status = Number(f[2]);
    if (!status) return false;
    std::vector<double> v;
    for (std::size_t i = 3; i < f.size(); ++i) {
        const auto value = Number(f[i]);
        if (!value) return false;
        v.push_back(*value);
    }
    auto one = [](double x) { return TRowValue{x, x, x, 1}; };
    switch (logger::ModeOf(static_cast<uint8_t>(*status))) {
    case logger::TMode::EightBit:
        if (v.size() != 6) return false;
        row.V1 = one(v[0]), row.V2 = one(v[3]);
        return true;
    case logger::TMode::EightBitPeak:
        if (v.size() != 6) return false;
        row.V1 = one((v[0] + v[1]) / 2), row.V2 = one((v[3] + v[4]) / 2);
        return true;
    case logger::TMode::TenBit:
        if (v.size() != 4) return false;
        row.V1 = one(v[0]), row.V2 = one(v[2]);
        return true;
    case logger::TMode::TenBitPeakChannel1:
    case logger::TMode::TenBitPeakChannel2:
        if (v.size() != 3) return false;
        (logger::ModeOf(static_cast<uint8_t>(*status)) == logger::TMode::TenBitPeakChannel1 ? row.V1 : row.V2) =
            one((v[0] + v[1]) / 2);
        return true;
    }
    return false;
}

}  // namespace tavik::cli
