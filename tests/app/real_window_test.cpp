// The window on a real X server (Xvfb): shown, painted by the server, and the
// screen holding what the layout promises once simulated modules are bound.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "tests/support/qt_window_harness.h"

namespace tavik {
namespace {

void Wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (QColor(image.pixel(x, y)) == colour) ++count;
    return count;
}

TEST(RealWindow, ShownOnTheServerWithBoundModules) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    test::TQtWindowHarness h(',', test::TQtWindowHarness::TLoop::Qt);
    auto logger = h.PlugLogger();
    logger->Channel1 = {sim::TSignal::TShape::Constant, 3.0, 0, 1};
    h.PlugGenerator();
    h.PlugFrequencyMeter()->RawCount = 100000;
    QWidget& w = h.View;
    using I = TControlId;
    w.show();
    Wait(1500);  // the start-up pass, then reports every 50 ms
    ASSERT_TRUE(w.windowHandle() && w.windowHandle()->isExposed());
    const QPoint origin = w.mapToGlobal(QPoint(0, 0));
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    auto onScreen = [&](QWidget* widget) { return QRect(widget->mapTo(&w, QPoint(0, 0)) + origin, widget->size()); };
    EXPECT_GT(CountColour(screen, onScreen(h.View.Widget(I::VXLogger_Label)), QColor(0, 128, 0)), 20) << "a green title";
    EXPECT_GT(CountColour(screen, onScreen(h.View.Widget(I::VXGenerator_Label)), QColor(0, 128, 0)), 20);
    EXPECT_GT(CountColour(screen, onScreen(h.View.Widget(I::VXFrequencyMeter_Label)), QColor(0, 128, 0)), 20);
    const QRect chart = onScreen(h.View.Widget(I::VXLogger_OSC));
    EXPECT_GT(CountColour(screen, chart, QColor(11, 11, 11)), 50000) << "the chart's background";
    EXPECT_GT(CountColour(screen, chart, QColor(255, 0, 0)), 20) << "channel 1's trace";
    EXPECT_GT(CountColour(screen, chart, QColor(0, 0, 255)), 400) << "channel 1's level line";
    EXPECT_EQ(h.Widget<QLabel>(I::VXFrequencyMeter_ResultLabel)->text(), QStringLiteral("100 кГц"));
    // Kept beside the test binary for a person to look at.
    screen.copy(QRect(origin, w.size())).save(QStringLiteral("tavik-real-window.png"));
}

}  // namespace
}  // namespace tavik
