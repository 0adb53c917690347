#include "win32_window_view.h"

#include <commctrl.h>
#include <oleacc.h>

#include "accessible_name.h"
#include "gdi_fonts.h"
#include "wide_text.h"
#include "win32_colour.h"
#include "window/accessible_names.h"

namespace tavik {

namespace {
constexpr wchar_t ClassName[] = L"TavikWindow";
constexpr int FirstControlId = 100;
constexpr DWORD FrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int IdOf(TControlId id) { return FirstControlId + static_cast<int>(IndexOf(id)); }

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}
}  // namespace

TWin32WindowView::TWin32WindowView() {
    // Version 6 of the common controls (the manifest asks for it) for the
    // tooltip and Windows' own look of every control.
    const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&common);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The face is painted by the view (WM_ERASEBKGND), in the colours of the
    // system's scheme as it is now; the icons are set once the window's DPI
    // is known.
    windowClass.lpszClassName = ClassName;
    RegisterClassExW(&windowClass);  // a second view reuses the class

    // Made first and sized once its monitor's DPI is known.
    Window_ = CreateWindowExW(0, ClassName, Wide(WindowFrame.Caption).c_str(), FrameStyle, WindowFrame.Left,
                              WindowFrame.Top, WindowFrame.ClientWidth, WindowFrame.ClientHeight, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    Scale_ = DpiScaleOf(Window_);
    RECT frame{0, 0, Scale_(WindowFrame.ClientWidth), Scale_(WindowFrame.ClientHeight)};
    AdjustFrameForDpi(frame, FrameStyle, Scale_.Dpi);
    SetWindowPos(Window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(Window_, WM_SETFONT, reinterpret_cast<WPARAM>(GdiFont(WindowFrame.Font, Scale_.Dpi)), FALSE);
    SetIcons();
    RemakeBrushes();
    for (const TControlLayout& layout : WindowLayout) Build(layout);
    Tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window_, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    ShowRecordPath();
    // The Tab key follows the order the controls stand in among their siblings.
    HWND previous = HWND_TOP;
    for (TControlId id : KeyboardOrder) {
        SetWindowPos(Control(id), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = Control(id);
    }
}

TWin32WindowView::~TWin32WindowView() {
    Events_ = nullptr;
    Chart_.reset();
    if (Window_) {
        SetWindowLongPtrW(Window_, GWLP_USERDATA, 0);
        DestroyWindow(Window_);
    }
    for (HBRUSH brush : FieldBrushes_)
        if (brush) DeleteObject(brush);
    if (FaceBrush_) DeleteObject(FaceBrush_);
    for (HICON icon : Icons_)
        if (icon) DestroyIcon(icon);
}

// The face's and the fields' brushes in the colours of the system's scheme
// as it is now: made at the start and again when the scheme or the theme
// changes (a contrast theme switched on while Тавик runs).
void TWin32WindowView::RemakeBrushes() {
    if (FaceBrush_) DeleteObject(FaceBrush_);
    FaceBrush_ = CreateSolidBrush(GdiColour(WindowFrame.Background));
    for (const TControlLayout& layout : WindowLayout) {
        HBRUSH& brush = FieldBrushes_[IndexOf(layout.Id)];
        if (brush) DeleteObject(brush);
        brush = layout.Kind == TControlKind::Edit && layout.Background ? CreateSolidBrush(GdiColour(*layout.Background)) : nullptr;
    }
}

void TWin32WindowView::SystemColoursChanged() {
    RemakeBrushes();
    // Common controls hear of a new scheme only from their parent.
    for (HWND control : Controls_) SendMessageW(control, WM_SYSCOLORCHANGE, 0, 0);
    if (Chart_) Chart_->Invalidate();
    RedrawWindow(Window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The program's icon, large for Alt-Tab and the taskbar, small for the title
// bar, each drawn at its size for the window's DPI, not shrunk from another.
void TWin32WindowView::SetIcons() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const int sizes[2][2] = {{SM_CXICON, SM_CYICON}, {SM_CXSMICON, SM_CYSMICON}};
    for (int i = 0; i < 2; ++i) {
        HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                   SystemMetricForDpi(sizes[i][0], Scale_.Dpi),
                                                   SystemMetricForDpi(sizes[i][1], Scale_.Dpi), 0));
        if (!icon) continue;
        SendMessageW(Window_, WM_SETICON, i == 0 ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        if (Icons_[i]) DestroyIcon(Icons_[i]);
        Icons_[i] = icon;
    }
}

void TWin32WindowView::Build(const TControlLayout& layout) {
    const std::size_t index = IndexOf(layout.Id);
    const std::wstring text = Wide(layout.Text);
    const DWORD visible = layout.Visible ? WS_VISIBLE : 0;
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(layout.Id)));
    const RECT place{Scale_(layout.Left), Scale_(layout.Top), Scale_(layout.Left) + Scale_(layout.Width),
                     Scale_(layout.Top) + Scale_(layout.Height)};
    TextColours_[index] = layout.TextColour.value_or(colours::Normal);
    // Every control starts a group of its own: the arrow keys neither walk
    // through the window nor check the radio button by landing on it.
    auto create = [&](DWORD exStyle, const wchar_t* windowClass, DWORD style, int) {
        return CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_GROUP | visible | style, place.left,
                               place.top, place.right - place.left, place.bottom - place.top, Window_, id,
                               GetModuleHandleW(nullptr), nullptr);
    };
    HWND control = nullptr;
    switch (layout.Kind) {
    case TControlKind::Label:
        // SS_NOTIFY: the mouse reaches the label, and with it its tooltip.
        control = create(0, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, layout.Height);
        break;
    case TControlKind::Chart:
        Chart_ = std::make_unique<TGdiChart>(Window_, IdOf(layout.Id), place, Scale_.Dpi);
        control = Chart_->Handle();
        break;
    case TControlKind::CheckBox: control = create(0, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, layout.Height); break;
    case TControlKind::RadioButton: control = create(0, L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, layout.Height); break;
    case TControlKind::Button: control = create(0, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, layout.Height); break;
    case TControlKind::Edit:
        control = create(WS_EX_CLIENTEDGE, L"EDIT", ES_LEFT | ES_AUTOHSCROLL | (layout.Visible ? WS_TABSTOP : 0), layout.Height);
        SendMessageW(control, EM_SETLIMITTEXT, 0, 0);  // edits have no length limit
        break;
    case TControlKind::ComboBox:
        // The height of a drop-down combo box is that of its list as well.
        control = create(0, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0);
        for (const char* item : layout.Items) SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        if (!layout.Items.empty()) SendMessageW(control, CB_SETCURSEL, 0, 0);
        else SetWindowTextW(control, text.c_str());
        break;
    }
    Controls_[index] = control;
    if (const std::string name = AccessibleNameOf(layout.Id); !name.empty()) {
        NameForScreenReaders(control, Wide(name), layout.Kind == TControlKind::Chart ? ROLE_SYSTEM_CHART : 0);
        // The focus is on a combo box's own edit: that is named alike.
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof combo;
        if (layout.Kind == TControlKind::ComboBox && GetComboBoxInfo(control, &combo) && combo.hwndItem)
            NameForScreenReaders(combo.hwndItem, Wide(name));
    }
    Place(layout);
}

// The control where the layout puts it at this DPI, in its font at this DPI.
void TWin32WindowView::Place(const TControlLayout& layout) {
    HWND control = Control(layout.Id);
    // The height of a drop-down combo box is that of its list as well.
    const int height = layout.Kind == TControlKind::ComboBox ? Scale_(layout.Height + 200) : Scale_(layout.Height);
    SetWindowPos(control, nullptr, Scale_(layout.Left), Scale_(layout.Top), Scale_(layout.Width), height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (layout.Kind == TControlKind::Chart) return Chart_->SetDpi(Scale_.Dpi);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GdiFont(layout.Font, Scale_.Dpi)), TRUE);
    if (layout.Kind == TControlKind::ComboBox) SendMessageW(control, CB_SETITEMHEIGHT, 0, Scale_(ComboItemHeight));
    if (layout.Kind == TControlKind::Label) FitLabel(layout.Id);
}

// Dragged to a monitor of another DPI: everything laid out again at it, and
// the window where Windows suggests.
void TWin32WindowView::ChangeDpi(int dpi, const RECT& suggested) {
    Scale_ = {dpi};
    SetIcons();
    SendMessageW(Window_, WM_SETFONT, reinterpret_cast<WPARAM>(GdiFont(WindowFrame.Font, dpi)), FALSE);
    for (const TControlLayout& layout : WindowLayout) Place(layout);
    SetWindowPos(Window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(Window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// A label keeps its top-left corner and takes its text's width; laid out
// wider, it keeps the layout's width until its text changes.
void TWin32WindowView::FitLabel(TControlId id) {
    HWND label = Control(id);
    const std::wstring text = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT place{};
    GetWindowRect(label, &place);
    MapWindowPoints(HWND_DESKTOP, Window_, reinterpret_cast<POINT*>(&place), 2);
    const TControlLayout& layout = LayoutOf(id);
    const bool first = !Events_;
    const int width = first ? std::max(Scale_(layout.Width), static_cast<int>(extent.cx)) : static_cast<int>(extent.cx);
    if (width == place.right - place.left) return;
    SetWindowPos(label, nullptr, 0, 0, width, place.bottom - place.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The static control repaints only the part it gained; the text it had
    // already drawn at the old width is drawn again whole, and what a shorter
    // text leaves behind goes back to the window's face.
    InvalidateRect(Window_, &place, TRUE);
    InvalidateRect(label, nullptr, TRUE);
}

void TWin32WindowView::Show() const {
    ShowWindow(Window_, SW_SHOWNORMAL);
    UpdateWindow(Window_);
    // The first control of the keyboard order has the focus at start.
    SetFocus(Control(KeyboardOrder.front()));
}

// Windows leaves the focus nowhere when the window is activated again: the
// control the user left gets it back, as in a dialog.
void TWin32WindowView::Activated(bool active) {
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(Window_, focus)) Focused_ = focus;
        return;
    }
    SetFocus(Focused_ && IsWindowVisible(Focused_) ? Focused_ : Control(KeyboardOrder.front()));
}

// The full path of the recording shown as the file-name label's tooltip:
// the label itself keeps the file name alone, as laid out.
void TWin32WindowView::ShowRecordPath() {
    if (!Tooltip_) return;
    HWND label = Control(TControlId::VXLogger_FileName);
    const std::string name = Text(TControlId::VXLogger_FileName);
    std::wstring path = Wide(RecordFolder.empty() || name == LayoutOf(TControlId::VXLogger_FileName).Text
                                 ? name
                                 : RecordFolder + (RecordFolder.back() == '\\' ? "" : "\\") + name);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Window_;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = path.data();
    SendMessageW(Tooltip_, Added_ ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    Added_ = true;
}

void TWin32WindowView::Connect(TWindowEvents& events, const TChartModel& chart) {
    Events_ = &events;
    Chart_->SetModel(&chart);
    Chart_->Invalidate();
}

LRESULT CALLBACK TWin32WindowView::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<TWin32WindowView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
        view->Window_ = window;
    }
    auto* view = reinterpret_cast<TWin32WindowView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return view ? view->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32WindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam) - FirstControlId;
        if (id >= 0 && id < static_cast<int>(ControlCount)) Command(static_cast<TControlId>(id), HIWORD(wParam));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(Colours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_CLOSE:
        if (OnClosed) OnClosed();
        return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        // The session ends and the process with it, without WM_CLOSE. The
        // Restart Manager (an installer replacing tavik.exe) asks the
        // program alone to close: the recording closed, it ends as closed.
        if (wParam && OnSessionEnd) OnSessionEnd();
        if (wParam && (lParam & ENDSESSION_CLOSEAPP) && OnClosed) OnClosed();
        return 0;
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(Window_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, FaceBrush_);
        return 1;
    }
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE:
        SystemColoursChanged();
        return 0;
    case WM_ACTIVATE:
        Activated(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_DPICHANGED:
        ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default: return DefWindowProcW(Window_, message, wParam, lParam);
    }
}

const TControlLayout* TWin32WindowView::LayoutOfWindow(HWND control) const {
    for (const TControlLayout& layout : WindowLayout)
        if (Control(layout.Id) == control) return &layout;
    return nullptr;
}

// Title and error colours through WM_CTLCOLOR*: the text colour each control
// was told, on the window's face or the edit's own field.
HBRUSH TWin32WindowView::Colours(HDC dc, HWND control) {
    const TControlLayout* layout = LayoutOfWindow(control);
    if (!layout) {
        // A combo box's own edit: the theme's colours.
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
    const std::size_t index = IndexOf(layout->Id);
    if (layout->Kind == TControlKind::Edit) {
        const COLORREF field = layout->Background ? GdiColour(*layout->Background) : GetSysColor(COLOR_WINDOW);
        // The field's own text colour (the invalid text's red made readable
        // there in a contrast theme); a field of fixed colours keeps its text.
        const TColour text = TextColours_[index];
        const COLORREF fieldText = GetSysColor(COLOR_WINDOWTEXT);
        SetTextColor(dc, text.Kind != TColour::TKind::Rgb ? fieldText
                         : HighContrast() && !layout->Background ? ReadableOn(GdiColour(text), field, fieldText)
                                                                 : GdiColour(text));
        SetBkColor(dc, field);
        return FieldBrushes_[index] ? FieldBrushes_[index] : GetSysColorBrush(COLOR_WINDOW);
    }
    SetTextColor(dc, TextOnFace(TextColours_[index]));
    SetBkColor(dc, GdiColour(WindowFrame.Background));
    return FaceBrush_;
}

void TWin32WindowView::Command(TControlId id, int code) {
    if (!Events_ || Setting_) return;
    switch (LayoutOf(id).Kind) {
    case TControlKind::CheckBox:
    case TControlKind::RadioButton:
    case TControlKind::Button:
        if (code == BN_CLICKED) Events_->Clicked(id);
        break;
    case TControlKind::Edit:
        if (code == EN_CHANGE) Events_->Changed(id);
        break;
    case TControlKind::ComboBox:
        if (code == CBN_EDITCHANGE) Events_->Changed(id);
        if (code == CBN_SELCHANGE) {
            // The edit shows the chosen item only after this notice: show it
            // now, so the handler reads the choice.
            const int index = static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0));
            if (index >= 0) {
                std::wstring item(static_cast<std::size_t>(SendMessageW(Control(id), CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
                item.resize(static_cast<std::size_t>(
                    SendMessageW(Control(id), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()))));
                Setting_ = true;
                SetWindowTextW(Control(id), item.c_str());
                Setting_ = false;
            }
            Events_->Selected(id);
        }
        break;
    case TControlKind::Label:
    case TControlKind::Chart: break;
    }
}

void TWin32WindowView::SetText(TControlId id, const std::string& text) {
    HWND control = Control(id);
    const std::wstring wide = Wide(text);
    if (WindowText(control) == wide) return;
    Setting_ = true;
    SetWindowTextW(control, wide.c_str());
    Setting_ = false;
    if (LayoutOf(id).Kind == TControlKind::Label) FitLabel(id);
    if (id == TControlId::VXLogger_FileName) ShowRecordPath();
}

std::string TWin32WindowView::Text(TControlId id) const { return Utf8(WindowText(Control(id))); }

void TWin32WindowView::SetTextColour(TControlId id, TColour colour) {
    TColour& current = TextColours_[IndexOf(id)];
    if (current == colour) return;
    current = colour;
    InvalidateRect(Control(id), nullptr, TRUE);
}

void TWin32WindowView::SetChecked(TControlId id, bool checked) {
    SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TWin32WindowView::Checked(TControlId id) const {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TWin32WindowView::AddItems(TControlId id, const std::vector<std::string>& items) {
    HWND combo = Control(id);
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    for (const std::string& item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

void TWin32WindowView::SetSelection(TControlId id, int index) {
    Setting_ = true;
    SendMessageW(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Setting_ = false;
}

int TWin32WindowView::Selection(TControlId id) const {
    return static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0));
}

void TWin32WindowView::ChartChanged() { Chart_->Invalidate(); }

void TWin32WindowView::ShowError(const std::string& caption, const std::string& text) {
    if (ErrorPresenter) return ErrorPresenter(caption, text);
    // An error of the program's own kind is modal to the window; any other
    // kind to the whole task.
    const UINT modality = caption == WindowFrame.Caption ? MB_APPLMODAL : MB_TASKMODAL;
    MessageBoxW(modality == MB_APPLMODAL ? Window_ : nullptr, Wide(text).c_str(), Wide(caption).c_str(),
                MB_OK | MB_ICONERROR | modality);
}

}  // namespace tavik
