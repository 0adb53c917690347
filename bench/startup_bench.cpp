// From process start to the window on screen: the program's window over the
// in-memory platform beside a bare window of the same size. The program
// starts itself as a child for each run and measures until the child says its
// window has been painted.
#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "app/qt/locale_options.h"
#include "app/qt/qt_window_view.h"
#include "bench_util.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/qt/qt_event_loop.h"
#include "window/tavik.h"

namespace {
// Reports its first paint, then ends the child.
class TFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            std::puts("shown");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

int Child(int argc, char** argv, bool program) {
    QApplication application(argc, argv);
    TFirstPaint watcher;
    application.installEventFilter(&watcher);
    if (program) {
        tavik::TMemoryHidPlatform platform;
        tavik::TQtEventLoop loop;
        tavik::TQtWindowView view;
        tavik::TTavik window(platform, loop, view, tavik::TavikOptionsFor(QLocale::system()));
        view.show();
        return QApplication::exec();
    }
    QWidget window;
    window.setFixedSize(747, 415);
    window.show();
    return QApplication::exec();
}

double Run(const char* self, const char* mode) {
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(QString::fromLocal8Bit(self), {QString::fromLatin1(mode)});
    child.waitForReadyRead(10000);
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(10000);
    return ms;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string(argv[1]) == "program") return Child(argc, argv, true);
    if (argc > 1 && std::string(argv[1]) == "bare") return Child(argc, argv, false);
    QCoreApplication application(argc, argv);
    std::vector<double> program;
    std::vector<double> bare;
    for (int i = 0; i < 7; ++i) {
        program.push_back(Run(argv[0], "program"));
        bare.push_back(Run(argv[0], "bare"));
    }
    const auto p = tavik::bench::Summarise(program);
    const auto b = tavik::bench::Summarise(bare);
    std::printf("start to shown, Tavik window: median %.1f ms, worst %.1f ms\n", p.Median, p.Worst);
    std::printf("start to shown, bare window:  median %.1f ms, worst %.1f ms\n", b.Median, b.Worst);
    std::printf("ratio Tavik / bare: %.2f\n", p.Median / b.Median);
    return 0;
}
