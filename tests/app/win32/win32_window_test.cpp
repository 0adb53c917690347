// The Win32 window, shown under Wine: caption, client area and every control
// where the layout table puts it at the screen's DPI (the runs set 96, 144
// and 192: TAVIK_EXPECT_DPI), the keyboard as in a dialog, a click and typing
// reaching the modules, fonts with Cyrillic in any locale, the recording's
// path and its end with the session, and a picture of it with green titles,
// whole label texts and the traces on the chart (TAVIK_PICTURE names it).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <iterator>

#include "app/win32/gdi_fonts.h"
#include "common/utf8_text.h"
#include "app/win32/record_folder.h"
#include "app/win32/win32_colour.h"
#include "app/win32/win32_window_view.h"
#include "tests/support/frames.h"
#include "tests/support/simulated_modules.h"
#include "window/tavik.h"

namespace tavik {
namespace {

using I = TControlId;

class Win32Window : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger();
    std::shared_ptr<sim::TGeneratorSimulator> Generator = M.PlugGenerator();
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = M.PlugFrequencyMeter();
    TWin32WindowView View;
    std::vector<std::string> Errors;
    std::unique_ptr<TTavik> Window;

    void SetUp() override {
        View.ErrorPresenter = [this](const std::string& caption, const std::string& text) {
            Errors.push_back(caption + "|" + text);
        };
        TTavikOptions options;
        options.Clock = [this] { return M.Now; };
        options.RecordDirectory = M.Folder.string();
        View.RecordFolder = options.RecordDirectory;
        Window = std::make_unique<TTavik>(M.Platform, M.Loop, View, options);
        View.OnSessionEnd = [this] { Window->FormDestroy(); };
        View.Show();
        M.ProcessEvents();
        Pump();
    }
    void TearDown() override { Window.reset(); }
    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    RECT PlaceOf(I id) const {
        RECT place{};
        GetWindowRect(View.Control(id), &place);
        MapWindowPoints(HWND_DESKTOP, View.Handle(), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }
};

TEST_F(Win32Window, CaptionClientAreaAndEveryControlWhereTheTableSaysAtTheScreensDpi) {
    wchar_t caption[32] = {};
    GetWindowTextW(View.Handle(), caption, 32);
    EXPECT_EQ(std::wstring(caption), L"Тавик");
    const TDpiScale scale = View.Scale();
    if (const char* dpi = std::getenv("TAVIK_EXPECT_DPI")) {
        ASSERT_EQ(scale.Dpi, std::atoi(dpi)) << "the run's LogPixels";
    }
    // Rounded once: 1120.5 × 622.5 at 144 DPI.
    const std::map<int, std::pair<int, int>> clients{{96, {747, 415}}, {144, {1121, 623}}, {192, {1494, 830}}};
    RECT client{};
    GetClientRect(View.Handle(), &client);
    if (clients.count(scale.Dpi)) {
        EXPECT_NEAR(client.right, clients.at(scale.Dpi).first, scale.Identity() ? 0 : 1);
        EXPECT_NEAR(client.bottom, clients.at(scale.Dpi).second, scale.Identity() ? 0 : 1);
    }
    EXPECT_FALSE(GetWindowLongW(View.Handle(), GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME)) << "fixed size";
    for (const TControlLayout& layout : WindowLayout) {
        SCOPED_TRACE(layout.Name);
        const RECT place = PlaceOf(layout.Id);
        EXPECT_EQ(place.left, scale(layout.Left));
        EXPECT_EQ(place.top, scale(layout.Top));
        if (layout.Kind == TControlKind::Label) {
            EXPECT_GE(place.right - place.left, scale(layout.Width));
        } else {
            EXPECT_EQ(place.right - place.left, scale(layout.Width));
        }
        EXPECT_EQ(IsWindowVisible(View.Control(layout.Id)) != 0, layout.Visible);
        // A dialog's keyboard: each control a group of its own, so the arrow
        // keys move nowhere and check nothing; the chart is no Tab stop.
        const LONG style = GetWindowLongW(View.Control(layout.Id), GWL_STYLE);
        EXPECT_TRUE(style & WS_GROUP);
        if (layout.Kind == TControlKind::Chart) {
            EXPECT_FALSE(style & WS_TABSTOP);
        }
    }
    EXPECT_EQ(GetFocus(), View.Control(KeyboardOrder.front())) << "the first of the keyboard order at start";
    SetFocus(View.Control(I::VXFrequencyMeter_CalibrateEdit));
    SendMessageW(View.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    SendMessageW(View.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), View.Control(I::VXFrequencyMeter_CalibrateEdit)) << "back where the user left it";
}

// Dragged to a monitor of another DPI: laid out again at it, fonts and chart
// included, and placed where Windows suggests.
TEST_F(Win32Window, OnAMonitorOfAnotherDpiEverythingIsLaidOutAgain) {
    const int dpi = View.Scale().Dpi == 192 ? 96 : 192;
    const TDpiScale scale{dpi};
    RECT suggested{200, 150, 200 + scale(WindowFrame.ClientWidth), 150 + scale(WindowFrame.ClientHeight)};
    AdjustFrameForDpi(suggested, static_cast<DWORD>(GetWindowLongW(View.Handle(), GWL_STYLE)), dpi);
    SendMessageW(View.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(View.Scale().Dpi, dpi);
    RECT frame{};
    GetWindowRect(View.Handle(), &frame);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    for (TControlId id : {I::VXLogger_OSC, I::VXGenerator_OUT1Freq, I::VXFrequencyMeter_CalibrateButton}) {
        const TControlLayout& layout = LayoutOf(id);
        SCOPED_TRACE(layout.Name);
        const RECT place = PlaceOf(id);
        EXPECT_EQ(place.left, scale(layout.Left));
        EXPECT_EQ(place.top, scale(layout.Top));
        EXPECT_EQ(place.right - place.left, scale(layout.Width));
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageW(View.Control(I::VXLogger_Label), WM_GETFONT, 0, 0));
    EXPECT_EQ(font, GdiFont(TFontRole::Title, dpi));
}

// The layout's faces as Windows has them, with every letter of the captions
// (an English Windows has no Cyrillic in "MS Sans Serif").
TEST_F(Win32Window, EveryFontDrawsTheRussianCaptions) {
    HDC dc = GetDC(View.Handle());
    for (TFontRole role : {TFontRole::Window, TFontRole::Title, TFontRole::Section, TFontRole::Caption,
                           TFontRole::Reading, TFontRole::ChartLabel}) {
        HGDIOBJ old = SelectObject(dc, GdiFont(role, View.Scale().Dpi));
        const std::wstring text = L"Тавик Логгер/вольтметр/осциллограф Частотомер Гц В";
        std::vector<WORD> glyphs(text.size());
        GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
        EXPECT_EQ(std::count(glyphs.begin(), glyphs.end(), 0xFFFF), 0) << FontOf(role).Face;
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE) << FontOf(role).Face;
        SelectObject(dc, old);
    }
    ReleaseDC(View.Handle(), dc);
    EXPECT_EQ(WindowsFace("MS Sans Serif"), L"Microsoft Sans Serif");
}

// The user's Documents known folder, pointed elsewhere for one test as
// OneDrive's folder backup or a moved Documents folder points it.
class TRedirectedDocuments {
public:
    explicit TRedirectedDocuments(const std::wstring& folder) {
        RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key_, nullptr);
        DWORD size = sizeof Old_;
        Had_ = RegQueryValueExW(Key_, L"Personal", nullptr, &Type_, reinterpret_cast<BYTE*>(Old_), &size) == ERROR_SUCCESS;
        OldSize_ = size;
        RegSetValueExW(Key_, L"Personal", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~TRedirectedDocuments() {
        if (Had_) RegSetValueExW(Key_, L"Personal", 0, Type_, reinterpret_cast<const BYTE*>(Old_), OldSize_);
        else RegDeleteValueW(Key_, L"Personal");
        RegCloseKey(Key_);
    }

private:
    static constexpr wchar_t Key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY Key_ = nullptr;
    bool Had_ = false;
    DWORD Type_ = REG_EXPAND_SZ;
    wchar_t Old_[1024] = {};
    DWORD OldSize_ = 0;
};

// A working folder the user can write to keeps the recordings, however deep;
// started where the user cannot write (Program Files) or in the program's own
// folder (the Start-menu entry, a double-click), the window records into the
// Documents known folder wherever it points; the file's full path is the
// label's tooltip, and the session's end closes the file with its lines whole.
TEST_F(Win32Window, RecordingsLandWhereTheUserFindsThemAndTheSessionsEndClosesThem) {
    const auto utf8 = [](const std::filesystem::path& path) { return Utf8Of(std::wstring_view(path.wstring())); };
    const std::filesystem::path documents = M.Folder / L"Документы в OneDrive";
    std::filesystem::create_directory(documents);
    // 300 characters in folders of at most 100 (a name may have 255),
    // taken away again at the end, deepest first: the fixture's own clean-up
    // reaches no path that long.
    std::filesystem::path deep = M.Folder;
    std::vector<std::wstring> made;
    std::wstring deepFileName;
    const std::unique_ptr<void, std::function<void(void*)>> cleanUp(&made, [&](void*) {
        if (!deepFileName.empty()) DeleteFileW((made.back() + L"\\" + deepFileName).c_str());
        for (auto folder = made.rbegin(); folder != made.rend(); ++folder) RemoveDirectoryW(folder->c_str());
    });
    while (deep.wstring().size() < 300) {
        deep /= std::wstring(std::min<std::size_t>(100, 300 - deep.wstring().size() - 1), L'д');
        made.push_back(L"\\\\?\\" + deep.wstring());
        ASSERT_TRUE(CreateDirectoryW(made.back().c_str(), nullptr));
    }
    {
        const TRedirectedDocuments redirected(documents.wstring());
        EXPECT_EQ(DocumentsFolder(), utf8(documents));
        EXPECT_EQ(RecordFolderFor(M.Folder.string(), "C:\\Program Files\\Tavik"), M.Folder.string());
        EXPECT_EQ(RecordFolderFor(utf8(deep), "C:\\Program Files\\Tavik"), utf8(deep)) << "300 characters";
        EXPECT_EQ(RecordFolderFor("Z:\\no such folder", "C:\\Program Files\\Tavik"), utf8(documents));
        EXPECT_EQ(RecordFolderFor(M.Folder.string(), M.Folder.string() + "\\"), utf8(documents)) << "the program's own";
    }

    // A recording at that depth, where only the extended-length form reaches.
    logger::TLogger& logger = Window->Instruments.Logger;
    const std::string deepFile = logger.StartRecording(utf8(deep), M.Now);
    ASSERT_FALSE(deepFile.empty());
    deepFileName = WideOf(deepFile);
    logger.StopRecording();
    EXPECT_TRUE(std::filesystem::exists(L"\\\\?\\" + (deep / WideOf(deepFile)).wstring())) << deepFile;

    SendMessageW(View.Control(I::VXLogger_StartStop), BM_CLICK, 0, 0);
    ASSERT_EQ(View.Text(I::VXLogger_StartStop), "Стоп");
    for (int i = 0; i < 6; ++i) Window->VXLogger_MainTimerTimer();
    const std::string name = View.Text(I::VXLogger_FileName);
    wchar_t tip[MAX_PATH * 2] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = View.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(View.Control(I::VXLogger_FileName));
    tool.lpszText = tip;
    SendMessageW(View.Tooltip(), TTM_GETTEXTW, MAX_PATH * 2, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tip), (M.Folder / name).wstring());

    bool closed = false;
    View.OnClosed = [&closed] { closed = true; };
    EXPECT_TRUE(SendMessageW(View.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(View.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(Window->Instruments.Logger.RecordFile.IsOpen());
    EXPECT_FALSE(closed) << "a log-off ends the process itself";
    SendMessageW(View.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_TRUE(closed) << "the Restart Manager's close";
    std::ifstream file(M.Folder / name, std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_GE(std::count(lines.begin(), lines.end(), '\n'), 3);
    EXPECT_TRUE(lines.size() > 2 && lines.substr(lines.size() - 2) == "\r\n") << "the last line whole";
}

TEST_F(Win32Window, AClickAndTypingReachTheModulesAndLabelsFollow) {
    SendMessageW(View.Control(I::VXGenerator_OUT3Value), BM_CLICK, 0, 0);
    ASSERT_EQ(Generator->Received.size(), 1u);
    EXPECT_EQ(test::Hex(Generator->Received[0]), "02 01 10 00 00 00 00 EF") << "as a click on Канал 3";
    Generator->Memory[0x10] = 77;
    SetWindowTextW(View.Control(I::AddrEdit), L"$10");
    ASSERT_EQ(Generator->Received.size(), 2u);
    EXPECT_EQ(test::Hex(Generator->Received[1]), "03 02 10 00 00 00 00 EF");
    EXPECT_EQ(View.Text(I::INDataEdit), "77");
    SendMessageW(View.Control(I::VXGenerator_OUT2Freq), CB_SETCURSEL, 7, 0);
    SendMessageW(View.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(View.Control(I::VXGenerator_OUT2Freq)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(View.Control(I::VXGenerator_OUT2Freq)));
    ASSERT_EQ(Generator->Received.size(), 3u);
    EXPECT_EQ(Generator->Received[2][0], 2) << "a chosen frequency sends the control report";
    Meter->RawCount = 12345678;
    for (int i = 0; i < 3; ++i) Window->VXFrequencyMeter_TimerTimer();
    EXPECT_EQ(View.Text(I::VXFrequencyMeter_ResultLabel), "12,35 МГц");
    EXPECT_GT(PlaceOf(I::VXFrequencyMeter_ResultLabel).right - PlaceOf(I::VXFrequencyMeter_ResultLabel).left, 40)
        << "the label grew to its text";
    EXPECT_TRUE(Errors.empty());
}

// What a screen reader says for each field: read back as Narrator asks,
// through Active Accessibility, for every edit and combo box the keyboard
// reaches (a combo box's own edit, which has the focus, alike) and the chart.
TEST_F(Win32Window, AScreenReaderNamesEveryFieldByItsLabelsAndTheChart) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::map<I, std::wstring> names{
        {I::VXLogger_OSC, L"График"},
        {I::VXLogger_LevelEdit_CH1, L"Уровень, CH1, В"},
        {I::VXLogger_LevelEdit_CH2, L"Уровень, CH2, В"},
        {I::VXLogger_CalibrateEdit, L"Калибровка, В"},
        {I::VXGenerator_OUT1Type, L"Канал 1, Источник сигнала"},
        {I::VXGenerator_OUT1Freq, L"Канал 1, Частота, Гц"},
        {I::VXGenerator_OUT2Type, L"Канал 2, Источник сигнала"},
        {I::VXGenerator_OUT2Freq, L"Канал 2, Частота, Гц"},
        {I::VXFrequencyMeter_FreqEdit, L"Частота, Гц"},
        {I::VXFrequencyMeter_CalibrateEdit, L"Эталонная частота, Гц"},
        {I::VXFrequencyMeter_PromEdit, L"Промежуточная, Гц"},
    };
    const auto nameOf = [](HWND window, LONG* role) {
        IAccessible* object = nullptr;
        std::wstring name = L"(none)";
        if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&object))))
            return name;
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (object->get_accName(self, &text) == S_OK && text) name.assign(text, SysStringLen(text));
        SysFreeString(text);
        VARIANT kind{};
        if (role && object->get_accRole(self, &kind) == S_OK && kind.vt == VT_I4) *role = kind.lVal;
        object->Release();
        return name;
    };
    for (const TControlLayout& layout : WindowLayout) {
        const bool field = layout.Kind == TControlKind::Edit || layout.Kind == TControlKind::ComboBox;
        if (!layout.Visible || (!field && layout.Kind != TControlKind::Chart)) continue;
        SCOPED_TRACE(layout.Name);
        ASSERT_TRUE(names.count(layout.Id)) << "a field without a name to expect";
        LONG role = 0;
        EXPECT_EQ(nameOf(View.Control(layout.Id), &role), names.at(layout.Id));
        if (layout.Kind == TControlKind::Chart) {
            EXPECT_EQ(role, ROLE_SYSTEM_CHART);
        }
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof combo;
        if (layout.Kind == TControlKind::ComboBox && GetComboBoxInfo(View.Control(layout.Id), &combo)) {
            EXPECT_EQ(nameOf(combo.hwndItem, nullptr), names.at(layout.Id)) << "its own edit";
        }
    }
    EXPECT_EQ(View.Text(I::VXLogger_LevelEdit_CH1), "5,0") << "the edit's text stays its own";
    if (SUCCEEDED(com)) CoUninitialize();
}

// The system's colours changed while Тавик runs (another scheme, a contrast
// theme): the face is painted again in the new colour, not the one of the
// start.
TEST_F(Win32Window, ANewColourSchemeRepaintsTheFace) {
    const INT element = COLOR_3DLIGHT;
    const COLORREF old = GetSysColor(element);
    const COLORREF changed = RGB(40, 90, 160);
    ASSERT_NE(old, changed);
    SetSysColors(1, &element, &changed);  // sends WM_SYSCOLORCHANGE to every window
    SendMessageW(View.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    RedrawWindow(View.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    HDC dc = GetDC(View.Handle());
    const TDpiScale scale = View.Scale();
    const COLORREF face = GetPixel(dc, scale(3), scale(3));
    const RECT label = PlaceOf(I::VXGenerator_SourceLabel);
    const COLORREF labelFace = GetPixel(dc, label.right - 1, label.bottom - 1);
    ReleaseDC(View.Handle(), dc);
    SetSysColors(1, &element, &old);
    EXPECT_EQ(face, changed) << std::hex << face;
    EXPECT_EQ(labelFace, changed) << "a label's face too";
}

// In a contrast theme a fixed text colour too faint on the face becomes one
// of its hue that reads: the states stay green and red.
TEST(Win32Colour, TooFaintTextTakesAReadableShadeOfItsHue) {
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255), text = RGB(1, 2, 3);
    const std::vector<std::tuple<COLORREF, COLORREF, COLORREF>> cases{
        {RGB(0, 128, 0), black, RGB(0, 255, 0)},  // dark green on black: bright green
        {RGB(255, 0, 0), black, RGB(255, 0, 0)},  // red reads on black as it is
        {RGB(255, 0, 0), white, RGB(160, 0, 0)},  // red on white: darker red
        {RGB(0, 255, 0), white, RGB(0, 128, 0)},  // lime on white: dark green
        {RGB(0, 128, 0), white, RGB(0, 128, 0)},
        {RGB(128, 128, 128), RGB(120, 120, 120), text},  // no hue: the system's text
    };
    for (const auto& [colour, face, readable] : cases) {
        EXPECT_EQ(ReadableOn(colour, face, text), readable) << std::hex << colour << " on " << face;
    }
}

int CountColour(const std::vector<uint32_t>& pixels, int width, const RECT& area, COLORREF colour) {
    const uint32_t wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += (pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF) == wanted;
    return count;
}

TEST_F(Win32Window, ThePictureHoldsGreenTitlesTheChartAndItsTraces) {
    Logger->Channel1 = {sim::TSignal::TShape::Constant, 3.0, 0, 1};
    for (int i = 0; i < 60; ++i) Window->VXLogger_MainTimerTimer();
    // The CSR label grows to its new text; painted again whole, not only in
    // the part it gained.
    View.SetText(I::VXLogger_CSR, "CSR = 0");
    UpdateWindow(View.Handle());
    Pump();
    RECT client{};
    GetClientRect(View.Handle(), &client);
    const int width = client.right;
    const int height = client.bottom;
    HDC screen = GetDC(View.Handle());
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(copy, picture);
    BitBlt(copy, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    const auto* data = static_cast<const uint32_t*>(bits);
    const std::vector<uint32_t> pixels(data, data + width * height);
    // Kept beside the test for a person to look at.
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + pixels.size() * 4),
                          0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    const char* name = std::getenv("TAVIK_PICTURE");
    std::ofstream out(name ? name : "tavik-win32-window.bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
    SelectObject(copy, old);
    DeleteObject(picture);
    DeleteDC(copy);
    ReleaseDC(View.Handle(), screen);

    // The left half of the "0" shows: the text colour in the columns where it starts.
    HWND csr = View.Control(I::VXLogger_CSR);
    HDC labelDc = GetDC(csr);
    HGDIOBJ oldFont = SelectObject(labelDc, reinterpret_cast<HFONT>(SendMessageW(csr, WM_GETFONT, 0, 0)));
    SIZE before{};
    SIZE after{};
    GetTextExtentPoint32W(labelDc, L"CSR = ", 6, &before);
    GetTextExtentPoint32W(labelDc, L"CSR = 0", 7, &after);
    SelectObject(labelDc, oldFont);
    ReleaseDC(csr, labelDc);
    RECT zero = PlaceOf(I::VXLogger_CSR);
    zero.left += before.cx;
    zero.right = zero.left + (after.cx - before.cx) / 2;
    EXPECT_GT(CountColour(pixels, width, zero, GetSysColor(COLOR_WINDOWTEXT)), 0) << "the left half of the 0";

    const COLORREF green = RGB(0, 128, 0);
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXLogger_Label), green), 20) << "a green title";
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXGenerator_Label), green), 20);
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXFrequencyMeter_Label), green), 20);
    const RECT chart = PlaceOf(I::VXLogger_OSC);
    const TDpiScale scale = View.Scale();
    EXPECT_GT(CountColour(pixels, width, chart, RGB(11, 11, 11)), 50000 * scale.Dpi / 96 * scale.Dpi / 96)
        << "the chart's background";
    EXPECT_GT(CountColour(pixels, width, chart, RGB(255, 0, 0)), scale(100)) << "channel 1's trace";
    EXPECT_GT(CountColour(pixels, width, chart, RGB(0, 0, 255)), scale(400)) << "channel 1's level line";
}

}  // namespace
}  // namespace tavik
