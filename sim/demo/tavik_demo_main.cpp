// The program's window over simulated modules, with no hardware and no kernel
// support: the three modules answer from memory. For trying the program and
// for looking at it; `tavik-demo --help` lists the options.
#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <string>

#include "common/strict_number.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "sim/demo_modules.h"
#include "app/qt/locale_options.h"
#include "app/qt/qt_window_view.h"
#include "loop/qt/qt_event_loop.h"
#include "window/tavik.h"

namespace {

constexpr const char* Usage =
    "usage: tavik-demo [--seconds N] [--screenshot FILE] [--record] [--unplug-logger S] [--show-list]\n"
    "The window over simulated modules in memory: no modules, no kernel support needed.\n"
    "  --seconds N        close after N seconds (default: run until closed)\n"
    "  --screenshot FILE  save a picture of the window just before closing\n"
    "  --record           start a recording in the working directory\n"
    "  --unplug-logger S  unplug the logger after S seconds\n"
    "  --show-list        open channel 1's frequency list after a second\n";

struct TDemoOptions {
    double Seconds = 0;
    double UnplugLogger = 0;
    QString Screenshot;
    bool Record = false;
    bool ShowList = false;
};

// Empty when the options are good, else what is wrong with them.
std::string ParseOptions(int argc, char** argv, TDemoOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--record") { o.Record = true; continue; }
        if (arg == "--show-list") { o.ShowList = true; continue; }
        if (arg != "--seconds" && arg != "--screenshot" && arg != "--unplug-logger") return "unknown option " + arg;
        if (i + 1 >= argc) return arg + " needs a value";
        const std::string value = argv[++i];
        if (arg == "--screenshot") {
            o.Screenshot = QString::fromLocal8Bit(value.c_str());
            continue;
        }
        const auto seconds = tavik::ParseDecimal(value);
        if (!seconds || *seconds < 0) return "bad value for " + arg + ": " + value;
        (arg == "--seconds" ? o.Seconds : o.UnplugLogger) = *seconds;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    // Options first: --help and usage errors need no display.
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
    TDemoOptions options;
    const std::string error = ParseOptions(argc, argv, options);
    if (!error.empty()) {
        std::fprintf(stderr, "tavik-demo: %s\n%s", error.c_str(), Usage);
        return 1;
    }
    QApplication application(argc, argv);
    const double seconds = options.Seconds;
    const double unplugLogger = options.UnplugLogger;
    const QString screenshot = options.Screenshot;
    const bool record = options.Record;
    const bool showList = options.ShowList;

    tavik::TMemoryHidPlatform platform;
    const tavik::sim::TDemoModules modules = tavik::sim::PlugDemoModules(platform);
    const uint32_t loggerInstance = modules.LoggerInstance;

    tavik::TQtEventLoop loop;
    tavik::TQtWindowView view;
    tavik::TTavik window(platform, loop, view, tavik::TavikOptionsFor(QLocale::system()));
    view.show();
    if (showList)
        QTimer::singleShot(1000, &view, [&view] { view.As<QComboBox>(tavik::TControlId::VXGenerator_OUT1Freq)->showPopup(); });
    if (record) QTimer::singleShot(100, &view, [&window] { window.VXLogger_StartStopClick(); });
    if (unplugLogger > 0)
        QTimer::singleShot(static_cast<int>(unplugLogger * 1000), &view, [&] {
            platform.Unplug(loggerInstance);
            platform.NotifyDeviceChange();
        });
    if (seconds > 0)
        QTimer::singleShot(static_cast<int>(seconds * 1000), &view, [&] {
            if (!screenshot.isEmpty() && !view.grab().save(screenshot))
                std::fprintf(stderr, "could not save %s\n", qPrintable(screenshot));
            view.close();
        });
    QApplication::exec();
    return 0;
}
