// The Win32 window, shown under Wine: caption, client area and every control
// where the layout table puts it, a click and typing reaching the modules,
// and a picture of it with green titles and the traces on the chart.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

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
        Window = std::make_unique<TTavik>(M.Platform, M.Loop, View, options);
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

TEST_F(Win32Window, CaptionClientAreaAndEveryControlWhereTheTableSays) {
    wchar_t caption[32] = {};
    GetWindowTextW(View.Handle(), caption, 32);
    EXPECT_EQ(std::wstring(caption), L"Тавик");
    RECT client{};
    GetClientRect(View.Handle(), &client);
    EXPECT_EQ(client.right, 747);
    EXPECT_EQ(client.bottom, 415);
    EXPECT_FALSE(GetWindowLongW(View.Handle(), GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME)) << "fixed size";
    for (const TControlLayout& layout : WindowLayout) {
        SCOPED_TRACE(layout.Name);
        const RECT place = PlaceOf(layout.Id);
        EXPECT_EQ(place.left, layout.Left);
        EXPECT_EQ(place.top, layout.Top);
        if (layout.Kind == TControlKind::Label) EXPECT_GE(place.right - place.left, layout.Width);
        else EXPECT_EQ(place.right - place.left, layout.Width);
        EXPECT_EQ(IsWindowVisible(View.Control(layout.Id)) != 0, layout.Visible);
    }
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
    RedrawWindow(View.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const int width = 747;
    const int height = 415;
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
    std::ofstream out("tavik-win32-window.bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
    SelectObject(copy, old);
    DeleteObject(picture);
    DeleteDC(copy);
    ReleaseDC(View.Handle(), screen);

    const COLORREF green = RGB(0, 128, 0);
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXLogger_Label), green), 20) << "a green title";
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXGenerator_Label), green), 20);
    EXPECT_GT(CountColour(pixels, width, PlaceOf(I::VXFrequencyMeter_Label), green), 20);
    const RECT chart = PlaceOf(I::VXLogger_OSC);
    EXPECT_GT(CountColour(pixels, width, chart, RGB(11, 11, 11)), 50000) << "the chart's background";
    EXPECT_GT(CountColour(pixels, width, chart, RGB(255, 0, 0)), 100) << "channel 1's trace";
    EXPECT_GT(CountColour(pixels, width, chart, RGB(0, 0, 255)), 400) << "channel 1's level line";
}

}  // namespace
}  // namespace tavik
