// Тавик: one window for the logger, the generator and the frequency meter.
#include <QApplication>
#include <memory>

#include "application_arguments.h"
#include "common/errors.h"
#include "device/platform/system_hid_platform.h"
#include "error_box.h"
#include "tavik_window.h"

int main(int, char** argv) {
    // No application display name either: Qt would add it to every caption.
    tavik::TApplicationArguments arguments(argv);
    QApplication application(arguments.Count, arguments.Values);
    try {
        const std::unique_ptr<tavik::THidPlatform> platform = tavik::CreateSystemHidPlatform();
        tavik::TTavik window(*platform);
        window.show();
        QApplication::exec();
    } catch (const tavik::EAbort&) {
    } catch (const tavik::ETavikError& error) {
        tavik::ShowErrorBox(tavik::ProgramTitle, tavik::ErrorBoxText(QString::fromUtf8(error.what())));
    } catch (...) {
        // Any other error at start-up shows an empty message.
        tavik::ShowErrorBox(tavik::ProgramTitle, QString());
    }
    return 0;
}
