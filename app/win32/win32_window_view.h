#pragma once
// The window drawn with the Win32 API itself: one native control per row of
// the layout table (STATIC, EDIT, BUTTON, COMBOBOX) and the GDI chart. It
// shows what TTavik tells it and reports the user's clicks, edits and choices
// back; it holds no behaviour of its own.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "dpi_scale.h"
#include "gdi_chart.h"
#include "window/window_layout.h"
#include "window/window_view.h"

namespace tavik {

class TWin32WindowView : public TWindowView {
public:
    // Creates the window, hidden, with every control's layout text.
    TWin32WindowView();
    ~TWin32WindowView() override;
    TWin32WindowView(const TWin32WindowView&) = delete;
    TWin32WindowView& operator=(const TWin32WindowView&) = delete;

    HWND Handle() const { return Window_; }
    HWND Control(TControlId id) const { return Controls_[IndexOf(id)]; }
    TGdiChart& Chart() const { return *Chart_; }
    HWND Tooltip() const { return Tooltip_; }
    void Show() const;

    // How errors are shown: the modal box, unless a test puts another here.
    std::function<void(const std::string& caption, const std::string& text)> ErrorPresenter;
    // Runs when the user closes the window (the program posts its quit here).
    std::function<void()> OnClosed;
    // Runs when Windows ends the session (log-off, shut-down): the process
    // ends right after it, so whatever must be closed is closed here.
    std::function<void()> OnSessionEnd;
    // The full path of the folder the recordings go to, shown with the file
    // name as the file-name label's tooltip.
    std::string RecordFolder;
    TDpiScale Scale() const { return Scale_; }

    // TWindowView
    void Connect(TWindowEvents& events, const TChartModel& chart) override;
    void SetText(TControlId id, const std::string& text) override;
    std::string Text(TControlId id) const override;
    void SetTextColour(TControlId id, TColour colour) override;
    void SetChecked(TControlId id, bool checked) override;
    bool Checked(TControlId id) const override;
    void AddItems(TControlId id, const std::vector<std::string>& items) override;
    void SetSelection(TControlId id, int index) override;
    int Selection(TControlId id) const override;
    void ChartChanged() override;
    void ShowError(const std::string& caption, const std::string& text) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Build(const TControlLayout& layout);
    void Place(const TControlLayout& layout);
    void ChangeDpi(int dpi, const RECT& suggested);
    void SetIcons();
    void RemakeBrushes();
    void SystemColoursChanged();
    void FitLabel(TControlId id);
    void ShowRecordPath();
    void Activated(bool active);
    void Command(TControlId id, int code);
    HBRUSH Colours(HDC dc, HWND control);
    const TControlLayout* LayoutOfWindow(HWND control) const;

    HWND Window_ = nullptr;
    TDpiScale Scale_;
    HWND Tooltip_ = nullptr;
    bool Added_ = false;  // the file-name label's tool is on the tooltip
    HWND Focused_ = nullptr;  // the control that had the focus when the window was left
    std::array<HWND, ControlCount> Controls_{};
    std::array<TColour, ControlCount> TextColours_{};
    std::unique_ptr<TGdiChart> Chart_;
    HBRUSH FaceBrush_ = nullptr;
    std::array<HICON, 2> Icons_{};  // large, small
    std::array<HBRUSH, ControlCount> FieldBrushes_{};  // edits with a field colour of their own
    TWindowEvents* Events_ = nullptr;
    bool Setting_ = false;  // the view itself is changing a control's text
};

}  // namespace tavik
