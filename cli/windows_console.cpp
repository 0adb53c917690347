#include "windows_console.h"

#include <shellapi.h>

#include <csignal>

#include "stop_request.h"
#include "common/utf8_text.h"

namespace tavik::cli {

namespace {
// Ctrl-C and Ctrl-Break end a command as SIGINT does elsewhere, a closed
// console window as SIGTERM. Windows ends the process once this returns from
// a close, so it gives the command a moment to close its file; main
// returning ends the process sooner.
BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        RequestStop(SIGINT);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        RequestStop(SIGTERM);
        Sleep(3000);
        return TRUE;
    default:
        return FALSE;
    }
}

// A program that has windows (the HID platform's hidden one) hears a log-off
// or a shut-down not as a console event but as WM_ENDSESSION to a top-level
// window of its own. Every line is already whole when a message is handled;
// the command ends as with SIGTERM if the session lets it.
LRESULT CALLBACK SessionProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) return TRUE;
    if (message == WM_ENDSESSION) {
        if (wParam) RequestStop(SIGTERM);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> utf8;
    for (int i = 1; arguments && i < count; ++i) utf8.push_back(Utf8Of(std::wstring_view(arguments[i])));
    LocalFree(arguments);
    return utf8;
}

TWindowsConsole::TWindowsConsole() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SessionProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TavikCliSession";
    RegisterClassW(&windowClass);
    SessionWindow_ = CreateWindowExW(0, windowClass.lpszClassName, L"tavik-cli", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                     nullptr, windowClass.hInstance, nullptr);
}

TWindowsConsole::~TWindowsConsole() {
    if (SessionWindow_) DestroyWindow(SessionWindow_);
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

}  // namespace tavik::cli
