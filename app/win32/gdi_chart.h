#pragma once
// The logger's strip chart as a child window painted with GDI: the backdrop
// (border, axis, labels) drawn once per size into a bitmap, each paint a copy
// of it with the four series on top, through a back buffer. On a screen of
// another DPI than 96 it is drawn in the layout's units through a world
// transform, so lines and labels are rasterised at the screen's own pixels.
#include <windows.h>

#include <vector>

#include "window/chart_model.h"

namespace tavik {

class TGdiChart {
public:
    // Registers the window class once and creates the chart as a child.
    TGdiChart(HWND parent, int id, const RECT& place, int dpi = USER_DEFAULT_SCREEN_DPI);
    ~TGdiChart();
    TGdiChart(const TGdiChart&) = delete;
    TGdiChart& operator=(const TGdiChart&) = delete;

    HWND Handle() const { return Window_; }
    void SetModel(const TChartModel* model) { Model_ = model; }
    void Invalidate() { InvalidateRect(Window_, nullptr, FALSE); }
    TPlotRect PlotRect() const { return Plot_; }  // in the layout's units
    void SetDpi(int dpi);

    // Draws the chart as it is now into the device context.
    void Paint(HDC target);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void DrawBackdrop(HDC dc, int width, int height);
    void Scale(HDC dc, bool on) const;

    HWND Window_ = nullptr;
    const TChartModel* Model_ = nullptr;
    HFONT LabelFont_ = nullptr;
    int Dpi_ = USER_DEFAULT_SCREEN_DPI;
    HBITMAP Backdrop_ = nullptr;
    SIZE BackdropSize_{0, 0};
    TPlotRect Plot_;
    std::vector<POINT> Polyline_;  // reused by every paint
};

}  // namespace tavik
