#include "acquisition.h"

#include <cstdio>

#include "common/number_text.h"

namespace tavik::logger {

namespace {
float Mean(float x, float y) { return static_cast<float>((static_cast<double>(x) + y) * 0.5); }

double Product(float k, float v) { return static_cast<double>(k) * static_cast<double>(v); }

class TFieldWriter {
public:
    TFieldWriter(TRecordFields& fields, char separator) : Fields_(fields), Separator_(separator) { Fields_.Length = 0; }
    void Status(uint8_t s) {
        Fields_.Length += static_cast<std::size_t>(std::snprintf(Fields_.Text + Fields_.Length, 8, "%u", s));
    }
    void Number(double value, int precision, int decimals) {
        Fields_.Text[Fields_.Length++] = ';';
        Fields_.Length += FixedTextTo(Fields_.Text + Fields_.Length, value, precision, decimals, Separator_);
    }

private:
    TRecordFields& Fields_;
    char Separator_;
};
}  // namespace

void TAcquisition::ClearHistory() {
    for (int i = 0; i < HistoryLength; ++i) V1History[i] = V2History[i] = 0.0f;
}

void TAcquisition::UpdateAverages() {
    HistoryIndex = static_cast<uint8_t>(HistoryIndex + 1);
    if (HistoryIndex >= HistoryLength) HistoryIndex = 0;
    V1History[HistoryIndex] = V1Raw;
    V2History[HistoryIndex] = V2Raw;
    float sum1 = 0.0f;
    float sum2 = 0.0f;
    for (int i = 0; i < HistoryLength; ++i) {
        sum1 += V1History[i];
        sum2 += V2History[i];
    }
    V1Avg = static_cast<float>(static_cast<double>(sum1) * 0.2);
    V2Avg = static_cast<float>(static_cast<double>(sum2) * 0.2);
}

TTracePoints TAcquisition::Process(const TSamples& samples, float k1, float k2) {
    const float* v = samples.Values;
    TTracePoints points{};
    const bool eightBit = IsEightBit(samples.Mode);
    VoltsPrecision = eightBit ? 4 : 5;
    VoltsDecimals = eightBit ? 2 : 3;
    bool show1 = true;
    bool show2 = true;
    switch (samples.Mode) {
    case TMode::EightBit:
        V1Raw = v[0];
        V2Raw = v[2];
        points = {{Product(k1, v[0]), Product(k1, v[0])}, {Product(k2, v[2]), Product(k2, v[2])}};
        break;
    case TMode::EightBitPeak:
        V1Raw = Mean(v[0], v[1]);
        V2Raw = Mean(v[2], v[3]);
        points = {{Product(k1, v[0]), Product(k1, v[1])}, {Product(k2, v[2]), Product(k2, v[3])}};
        break;
    case TMode::TenBit:
        V1Raw = v[0];
        V2Raw = v[1];
        points = {{Product(k1, V1Raw), Product(k1, V1Raw)}, {Product(k2, V2Raw), Product(k2, V2Raw)}};
        break;
    case TMode::TenBitPeakChannel1:
        V1Raw = Mean(v[0], v[1]);
        V2Raw = 0.0f;
        show2 = false;
        points = {{Product(k1, v[0]), Product(k1, v[1])}, {0.0, 0.0}};
        break;
    case TMode::TenBitPeakChannel2:
        V1Raw = 0.0f;
        V2Raw = Mean(v[0], v[1]);
        show1 = false;
        points = {{0.0, 0.0}, {Product(k2, v[0]), Product(k2, v[1])}};
        break;
    }
    UpdateAverages();
    VCH1Volts = show1 ? std::optional<double>(Product(k1, V1Avg)) : std::nullopt;
    VCH2Volts = show2 ? std::optional<double>(Product(k2, V2Avg)) : std::nullopt;
    Decoded = true;
    return points;
}

void FormatRecordFields(const TFrame& report, const TSamples& samples, float k1, float k2, char separator,
                        TRecordFields& fields) {
    TFieldWriter out(fields, separator);
    const float* v = samples.Values;
    out.Status(report[2]);
    switch (samples.Mode) {
    case TMode::EightBit:
    case TMode::EightBitPeak:
        out.Number(Product(k1, v[0]), 4, 2);
        out.Number(Product(k1, v[1]), 4, 2);
        out.Number(k1, 4, 3);
        out.Number(Product(k2, v[2]), 4, 2);
        out.Number(Product(k2, v[3]), 4, 2);
        out.Number(k2, 4, 3);
        break;
    case TMode::TenBit:
        out.Number(Product(k1, v[0]), 5, 3);
        out.Number(k1, 4, 3);
        out.Number(Product(k2, v[1]), 5, 3);
        out.Number(k2, 4, 3);
        break;
    case TMode::TenBitPeakChannel1:
        out.Number(Product(k1, v[0]), 5, 3);
        out.Number(Product(k1, v[1]), 5, 3);
        out.Number(k1, 4, 3);
        break;
    case TMode::TenBitPeakChannel2:
        out.Number(Product(k2, v[0]), 5, 3);
        out.Number(Product(k2, v[1]), 5, 3);
        out.Number(k2, 4, 3);
        break;
    }
}

}  // namespace tavik::logger
