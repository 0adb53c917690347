// Тавик for Windows: one window for the logger, the generator and the
// frequency meter, on the Win32 API itself.
#include <windows.h>

#include <memory>

#include "common/errors.h"
#include "device/platform/system_hid_platform.h"
#include "locale_options.h"
#include "record_folder.h"
#include "loop/win32/win32_event_loop.h"
#include "wide_text.h"
#include "win32_window_view.h"
#include "window/error_report.h"
#include "window/tavik.h"

namespace {
void ShowStartupError(const std::string& text) {
    MessageBoxW(nullptr, tavik::Wide(text).c_str(), tavik::Wide(tavik::WindowFrame.Caption).c_str(), MB_OK | MB_ICONERROR);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace tavik;
    try {
        TWin32EventLoop loop;
        const std::unique_ptr<THidPlatform> platform = CreateSystemHidPlatform(loop);
        TWin32WindowView view;
        TTavikOptions options = TavikOptionsOfUserLocale();
        options.RecordDirectory = RecordFolderFor(WorkingFolder(), ProgramFolder());
        view.RecordFolder = options.RecordDirectory;
        TTavik window(*platform, loop, view, options);
        view.OnClosed = [] { PostQuitMessage(0); };
        view.OnSessionEnd = [&window] { window.FormDestroy(); };
        view.Show();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Tab moves through the controls as in a dialog.
            if (IsDialogMessageW(view.Handle(), &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } catch (const EAbort&) {
    } catch (const ETavikError& error) {
        ShowStartupError(ErrorBoxText(error.what()));
    } catch (...) {
        // Any other error at start-up shows an empty message.
        ShowStartupError(std::string());
    }
    return 0;
}
