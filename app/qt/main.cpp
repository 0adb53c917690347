// Тавик: one window for the logger, the generator and the frequency meter.
#include <QApplication>
#include <memory>

#include "application_arguments.h"
#include "common/errors.h"
#include "device/platform/system_hid_platform.h"
#include "error_box.h"
#include "locale_options.h"
#include "loop/qt/qt_event_loop.h"
#include "qt_window_view.h"
#include "window/error_report.h"
#include "window/tavik.h"

int main(int, char** argv) {
    using namespace tavik;
    // No application display name either: Qt would add it to every caption.
    TApplicationArguments arguments(argv);
    QApplication application(arguments.Count, arguments.Values);
    try {
        TQtEventLoop loop;
        const std::unique_ptr<THidPlatform> platform = CreateSystemHidPlatform(loop);
        TQtWindowView view;
        TTavik window(*platform, loop, view, TavikOptionsFor(QLocale::system()));
        view.show();
        QApplication::exec();
    } catch (const EAbort&) {
    } catch (const ETavikError& error) {
        ShowErrorBox(WindowFrame.Caption, ErrorBoxText(error.what()));
    } catch (...) {
        // Any other error at start-up shows an empty message.
        ShowErrorBox(WindowFrame.Caption, std::string());
    }
    return 0;
}
