#pragma once
// The logger's strip chart as a child window painted with GDI: the backdrop
// (border, axis, labels) drawn once per size into a bitmap, each paint a copy
// of it with the four series on top, through a back buffer.
#include <windows.h>

#include <vector>

#include "window/chart_model.h"

namespace tavik {

class TGdiChart {
public:
    // Registers the window class once and creates the chart as a child.
    TGdiChart(HWND parent, int id, const RECT& place);
    ~TGdiChart();
    TGdiChart(const TGdiChart&) = delete;
    TGdiChart& operator=(const TGdiChart&) = delete;

    HWND Handle() const { return Window_; }
    void SetModel(const TChartModel* model) { Model_ = model; }
    void Invalidate() { InvalidateRect(Window_, nullptr, FALSE); }
    TPlotRect PlotRect() const { return Plot_; }

    // Draws the chart as it is now into the device context.
    void Paint(HDC target);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void DrawBackdrop(HDC dc, int width, int height);

    HWND Window_ = nullptr;
    const TChartModel* Model_ = nullptr;
    HFONT LabelFont_ = nullptr;
    HBITMAP Backdrop_ = nullptr;
    SIZE BackdropSize_{0, 0};
    TPlotRect Plot_;
    std::vector<POINT> Polyline_;  // reused by every paint
};

}  // namespace tavik
