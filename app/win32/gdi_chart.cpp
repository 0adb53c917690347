#include "gdi_chart.h"

#include <cmath>

#include "gdi_fonts.h"
#include "wide_text.h"
#include "win32_colour.h"

namespace tavik {

using namespace chart;

namespace {
constexpr wchar_t ClassName[] = L"TavikChart";

int Round(double value) { return static_cast<int>(std::lround(value)); }

HPEN Pen(TColour colour, int width, DWORD cap, DWORD join) {
    LOGBRUSH brush{BS_SOLID, GdiColour(colour), 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | cap | join, static_cast<DWORD>(width), &brush, 0, nullptr);
}

}  // namespace

TGdiChart::TGdiChart(HWND parent, int id, const RECT& place, int dpi) : Dpi_(dpi) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = ClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    LabelFont_ = GdiFont(TFontRole::ChartLabel);
    // No Tab stop: the chart takes no input.
    Window_ = CreateWindowExW(0, ClassName, L"", WS_CHILD | WS_GROUP | WS_VISIBLE, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(Window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Polyline_.reserve(ChartPointsAcross);
}

TGdiChart::~TGdiChart() {
    if (Backdrop_) DeleteObject(Backdrop_);
    if (Window_) {
        SetWindowLongPtrW(Window_, GWLP_USERDATA, 0);
        DestroyWindow(Window_);
    }
}

void TGdiChart::SetDpi(int dpi) {
    if (dpi == Dpi_) return;
    Dpi_ = dpi;
    BackdropSize_ = {0, 0};  // drawn again at the new scale
    Invalidate();
}

// Layout units to device pixels and back.
void TGdiChart::Scale(HDC dc, bool on) const {
    if (Dpi_ == USER_DEFAULT_SCREEN_DPI) return;
    SetGraphicsMode(dc, GM_ADVANCED);
    const float factor = on ? static_cast<float>(Dpi_) / USER_DEFAULT_SCREEN_DPI : 1.0f;
    const XFORM transform{factor, 0, 0, factor, 0, 0};
    SetWorldTransform(dc, &transform);
}

LRESULT CALLBACK TGdiChart::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* chart = reinterpret_cast<TGdiChart*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (chart && message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        chart->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;  // every paint covers the whole chart
    return DefWindowProcW(window, message, wParam, lParam);
}

// The border, the axis, its labels and ticks: the same for every paint.
void TGdiChart::DrawBackdrop(HDC dc, int width, int height) {
    const RECT all{0, 0, width, height};
    HBRUSH background = CreateSolidBrush(GdiColour(Background));
    FillRect(dc, &all, background);
    DeleteObject(background);

    HGDIOBJ oldFont = SelectObject(dc, LabelFont_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    auto labelWidth = [dc](const std::string& text) {
        const std::wstring label = Wide(text);
        SIZE extent{};
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    const TChartBackdrop backdrop = BackdropOf(width, height, Model_ ? Model_->DecimalSeparator : ',',
                                               Model_ ? Model_->GroupSeparator : std::string(" "), labelWidth, metrics.tmHeight);
    Plot_ = backdrop.Plot;

    HPEN border = Pen(BorderColour, BorderWidth, PS_ENDCAP_SQUARE, PS_JOIN_MITER);
    HGDIOBJ oldPen = SelectObject(dc, border);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int half = BorderWidth / 2;
    Rectangle(dc, half, half, width - half, height - half);

    // Each line as GDI draws it: its last pixel left out.
    HPEN axis = CreatePen(PS_SOLID, 1, GdiColour(AxisColour));
    SelectObject(dc, axis);
    for (const TSegment& tick : backdrop.Ticks) {
        MoveToEx(dc, tick.X1, tick.Y1, nullptr);
        LineTo(dc, tick.X2, tick.Y2);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GdiColour(LabelColour));
    for (const TAxisLabel& label : backdrop.Labels) {
        const std::wstring text = Wide(label.Text);
        RECT box{0, label.Top, label.Right, label.Top + metrics.tmHeight};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    }
    HPEN axisLine = Pen(AxisColour, AxisLineWidth, PS_ENDCAP_FLAT, PS_JOIN_MITER);
    SelectObject(dc, axisLine);
    MoveToEx(dc, backdrop.AxisX, Plot_.Top, nullptr);
    LineTo(dc, backdrop.AxisX, Plot_.Bottom + 1);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    DeleteObject(border);
    DeleteObject(axis);
    DeleteObject(axisLine);
}

void TGdiChart::Paint(HDC target) {
    RECT client{};
    GetClientRect(Window_, &client);
    const int width = client.right;
    const int height = client.bottom;
    HDC buffer = CreateCompatibleDC(target);
    HBITMAP frame = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldFrame = SelectObject(buffer, frame);

    HDC backdrop = CreateCompatibleDC(target);
    if (!Backdrop_ || BackdropSize_.cx != width || BackdropSize_.cy != height) {
        if (Backdrop_) DeleteObject(Backdrop_);
        Backdrop_ = CreateCompatibleBitmap(target, width, height);
        BackdropSize_ = {width, height};
        HGDIOBJ old = SelectObject(backdrop, Backdrop_);
        Scale(backdrop, true);
        DrawBackdrop(backdrop, MulDiv(width, USER_DEFAULT_SCREEN_DPI, Dpi_), MulDiv(height, USER_DEFAULT_SCREEN_DPI, Dpi_));
        Scale(backdrop, false);
        SelectObject(backdrop, old);
    }
    HGDIOBJ oldBackdrop = SelectObject(backdrop, Backdrop_);
    BitBlt(buffer, 0, 0, width, height, backdrop, 0, 0, SRCCOPY);
    SelectObject(backdrop, oldBackdrop);
    DeleteDC(backdrop);

    if (Model_) {
        Scale(buffer, true);
        // Series in list order, cut at the plot's edges.
        IntersectClipRect(buffer, Plot_.Left, Plot_.Top, Plot_.Right + 1, Plot_.Bottom + 1);
        for (const TChartSeries& series : Model_->AllSeries()) {
            if (series.Points.size() < 2) continue;
            Polyline_.clear();
            ForEachCorner(series.Points, Plot_, [this](double x, double y) { Polyline_.push_back({Round(x), Round(y)}); });
            HPEN pen = Pen(series.Colour, series.Width, PS_ENDCAP_SQUARE, PS_JOIN_BEVEL);
            HGDIOBJ oldPen = SelectObject(buffer, pen);
            Polyline(buffer, Polyline_.data(), static_cast<int>(Polyline_.size()));
            SelectObject(buffer, oldPen);
            DeleteObject(pen);
        }
        SelectClipRgn(buffer, nullptr);
        Scale(buffer, false);
    }
    BitBlt(target, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, oldFrame);
    DeleteObject(frame);
    DeleteDC(buffer);
}

}  // namespace tavik
