#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "log_rows.h"

namespace tavik::cli {

namespace {
constexpr double Width = 1200, Height = 760, Left = 90, Right = Left + PlotColumns;
constexpr double VoltTop = 50, VoltBottom = 370, HertzTop = 420, HertzBottom = 700;
constexpr const char* Colours[PlotSeries] = {"#1f77b4", "#d62728", "#2ca02c"};
constexpr const char* Names[PlotSeries] = {"v1", "v2", "freq"};
constexpr const char* Labels[PlotSeries] = {"v1_V", "v2_V", "freq_Hz"};

const std::optional<TRowValue>& ValueOf(const TRecordedRow& row, std::size_t series) {
    return series == 0 ? row.V1 : series == 1 ? row.V2 : row.Hertz;
}

std::string Num(double v) { return PointText(v, 1); }

// A range widened to whole ticks, never empty.
std::array<double, 2> Padded(std::array<double, 2> r, double& step) {
    if (r[1] - r[0] < 1e-9) {
        const double pad = std::max(std::fabs(r[0]) * 1e-6, 0.5);
        r = {r[0] - pad, r[1] + pad};
    }
    const double raw = (r[1] - r[0]) / 5;
    const double power = std::pow(10, std::floor(std::log10(raw)));
    step = power * (raw / power <= 1 ? 1 : raw / power <= 2 ? 2 : raw / power <= 5 ? 5 : 10);
    return {std::floor(r[0] / step) * step, std::ceil(r[1] / step) * step};
}

double Y(double v, double top, double bottom, const std::array<double, 2>& range) {
    return bottom - (v - range[0]) / (range[1] - range[0]) * (bottom - top);
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) out += c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}
}  // namespace

void TPlotSpan::Add(const TRecordedRow& row, double gapSeconds) {
    if (!row.HasData()) return;
    if (!LastData_) {
        Start = row.Time;
        OffsetMinutes = row.OffsetMinutes;
    }
    if (LastData_ && row.Time - *LastData_ > gapSeconds) Gaps.emplace_back(*LastData_, row.Time);
    LastData_ = row.Time;
    End = std::max(End, row.Time);
    for (std::size_t s = 0; s < PlotSeries; ++s) {
        const auto& v = ValueOf(row, s);
        if (!v) continue;
        ++Points[s];
        bool& any = s < 2 ? AnyVolts_ : AnyHertz_;
        std::array<double, 2>& range = s < 2 ? VoltRange : HertzRange;
        range = any ? std::array{std::min(range[0], v->Min), std::max(range[1], v->Max)} : std::array{v->Min, v->Max};
        any = true;
    }
}

TSvgPlot::TSvgPlot(const TPlotSpan& span) : Span_(span) {
    for (std::size_t s = 0; s < PlotSeries; ++s) {
        Series_[s].Envelope = span.Points[s] > 2 * PlotColumns;
        if (Series_[s].Envelope) Series_[s].Columns.resize(PlotColumns);
    }
}

double TSvgPlot::X(double time) const {
    const double span = std::max(Span_.End - Span_.Start, 1e-3);
    return Left + (time - Span_.Start) / span * (Right - Left);
}

void TSvgPlot::Add(const TRecordedRow& row, double gapSeconds) {
    for (std::size_t s = 0; s < PlotSeries; ++s) {
        const auto& v = ValueOf(row, s);
        if (!v) continue;
        TSeries& series = Series_[s];
        if (series.Envelope) {
            const auto at = static_cast<std::size_t>(std::clamp(X(row.Time) - Left, 0.0, PlotColumns - 1.0));
            TColumn& c = series.Columns[at];
            c.Min = c.Count ? std::min(c.Min, v->Min) : v->Min;
            c.Max = c.Count ? std::max(c.Max, v->Max) : v->Max;
            c.Sum += v->Mean * static_cast<double>(v->Count);
            c.Count += v->Count;
        } else {
            if (series.Last && row.Time - *series.Last > gapSeconds)
                series.Points.emplace_back(row.Time, std::numeric_limits<double>::quiet_NaN());
            series.Points.emplace_back(row.Time, v->Mean);
        }
        series.Last = row.Time;
    }
}

std::string TSvgPlot::SeriesPaths(std::size_t s, double top, double bottom, const std::array<double, 2>& range) const {
    const TSeries& series = Series_[s];
    std::string line, envelope;
    bool pen = false;
    if (!series.Envelope) {
        for (const auto& [t, v] : series.Points) {
            if (std::isnan(v)) {
                pen = false;
                continue;
            }
            line += (pen ? "L" : "M") + Num(X(t)) + "," + Num(Y(v, top, bottom, range));
            pen = true;
        }
    } else {
        // Each run of columns with values: the mean as a line, the envelope
        // as the max left to right and the min back.
        for (std::size_t c = 0; c < series.Columns.size();) {
            if (!series.Columns[c].Count) {
                ++c;
                continue;
            }
            std::size_t end = c;
            while (end < series.Columns.size() && series.Columns[end].Count) ++end;
            std::string lower;
            for (std::size_t i = c; i < end; ++i) {
                const TColumn& col = series.Columns[i];
                const std::string x = Num(Left + static_cast<double>(i) + 0.5);
                line += (i == c ? "M" : "L") + x + "," + Num(Y(col.Sum / static_cast<double>(col.Count), top, bottom, range));
                envelope += (i == c ? "M" : "L") + x + "," + Num(Y(col.Max, top, bottom, range));
                lower = "L" + x + "," + Num(Y(col.Min, top, bottom, range)) + lower;
            }
            envelope += lower + "Z";
            c = end;
        }
    }
    std::string out;
    if (series.Envelope)
        out += "<path class=\"envelope\" id=\"" + std::string(Names[s]) + "-envelope\" fill=\"" + Colours[s] +
               "\" fill-opacity=\"0.3\" stroke=\"none\" d=\"" + envelope + "\"/>\n";
    out += "<path class=\"series\" id=\"" + std::string(Names[s]) + "\" fill=\"none\" stroke=\"" + Colours[s] +
           "\" stroke-width=\"1.2\" d=\"" + line + "\"><title>" + Labels[s] + "</title></path>\n";
    return out;
}

std::string TSvgPlot::Svg() const {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1200\" "
                      "height=\"760\" viewBox=\"0 0 1200 760\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<title>" + Escaped("Тавик: " + IsoText(Span_.Start, Span_.OffsetMinutes) + " to " +
                               IsoText(Span_.End, Span_.OffsetMinutes)) + "</title>\n";
    svg += "<rect width=\"" + Num(Width) + "\" height=\"" + Num(Height) + "\" fill=\"white\"/>\n";
    struct TPanel { const char* Id; const char* Unit; double Top, Bottom; std::array<double, 2> Range; std::size_t First, Last; };
    double voltStep = 1, hertzStep = 1;
    const TPanel panels[] = {
        {"volts", "V", VoltTop, VoltBottom, Padded(Span_.VoltRange, voltStep), 0, 1},
        {"frequency", "Hz", HertzTop, HertzBottom, Padded(Span_.HertzRange, hertzStep), 2, 2},
    };
    for (const TPanel& p : panels) {
        const double step = &p == &panels[0] ? voltStep : hertzStep;
        const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
        svg += "<g class=\"panel\" id=\"" + std::string(p.Id) + "\">\n";
        for (const auto& [from, to] : Span_.Gaps)
            svg += "<rect class=\"gap\" x=\"" + Num(X(from)) + "\" y=\"" + Num(p.Top) + "\" width=\"" +
                   Num(std::max(X(to) - X(from), 1.0)) + "\" height=\"" + Num(p.Bottom - p.Top) +
                   "\" fill=\"#e8e8e8\"><title>no values from " + IsoText(from, Span_.OffsetMinutes) + " to " +
                   IsoText(to, Span_.OffsetMinutes) + "</title></rect>\n";
        svg += "<g class=\"axis\" id=\"" + std::string(p.Id) + "-axis\">\n";
        for (double v = p.Range[0]; v <= p.Range[1] + step / 2; v += step) {
            const std::string y = Num(Y(v, p.Top, p.Bottom, p.Range));
            svg += "<line x1=\"" + Num(Left) + "\" x2=\"" + Num(Right) + "\" y1=\"" + y + "\" y2=\"" + y +
                   "\" stroke=\"#ccc\"/><text class=\"tick\" x=\"" + Num(Left - 6) + "\" y=\"" + y +
                   "\" text-anchor=\"end\" dominant-baseline=\"middle\">" + PointText(v, decimals) + "</text>\n";
        }
        svg += "<text class=\"unit\" x=\"" + Num(Left - 6) + "\" y=\"" + Num(p.Top - 18) + "\" text-anchor=\"end\">" +
               p.Unit + "</text>\n</g>\n";
        for (std::size_t s = p.First; s <= p.Last; ++s) svg += SeriesPaths(s, p.Top, p.Bottom, p.Range);
        svg += "<rect x=\"" + Num(Left) + "\" y=\"" + Num(p.Top) + "\" width=\"" + Num(Right - Left) + "\" height=\"" +
               Num(p.Bottom - p.Top) + "\" fill=\"none\" stroke=\"black\"/>\n</g>\n";
    }
    // Time ticks at round local times, at most eight.
    constexpr double Steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400,
                                172800, 604800};
    const double span = std::max(Span_.End - Span_.Start, 1e-3);
    double step = Steps[std::size(Steps) - 1];
    for (const double s : Steps)
        if (span / s <= 8) {
            step = s;
            break;
        }
    const double offset = Span_.OffsetMinutes.value_or(0) * 60.0;
    svg += "<g class=\"axis\" id=\"time-axis\">\n";
    for (double t = std::ceil((Span_.Start + offset) / step) * step - offset; t <= Span_.End + 1e-6; t += step) {
        const std::string iso = IsoText(t, Span_.OffsetMinutes);
        const std::string label = step < 60 ? iso.substr(11, 8) : step < 86400 ? iso.substr(11, 5) : iso.substr(0, 10);
        const std::string x = Num(X(t));
        for (const TPanel& p : panels)
            svg += "<line x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + Num(p.Top) + "\" y2=\"" + Num(p.Bottom) +
                   "\" stroke=\"#ccc\"/>";
        svg += "<text class=\"tick\" x=\"" + x + "\" y=\"" + Num(HertzBottom + 18) + "\" text-anchor=\"middle\">" + label +
               "</text>\n";
    }
    std::string zone = "local time";
    if (Span_.OffsetMinutes) zone = "UTC" + IsoText(0, Span_.OffsetMinutes).substr(23);
    svg += "<text class=\"unit\" x=\"" + Num((Left + Right) / 2) + "\" y=\"" + Num(HertzBottom + 40) +
           "\" text-anchor=\"middle\">time (" + zone + "), from " + IsoText(Span_.Start, Span_.OffsetMinutes) + " to " +
           IsoText(Span_.End, Span_.OffsetMinutes) + "</text>\n</g>\n";
    for (std::size_t s = 0; s < PlotSeries; ++s)
        svg += "<text class=\"legend\" x=\"" + Num(Left + 10 + 90 * static_cast<double>(s)) + "\" y=\"" +
               Num(VoltTop - 20) + "\" fill=\"" + Colours[s] + "\">" + Labels[s] + "</text>\n";
    return svg + "</svg>\n";
}

}  // namespace tavik::cli
