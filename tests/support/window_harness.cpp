#include "window_harness.h"

namespace tavik::test {

TWindowHarness::TWindowHarness(QLocale locale) {
    TTavikOptions options;
    options.Locale = locale;
    options.Clock = [this] { return Now; };
    options.RecordDirectory = Folder.string();
    options.ShowError = [this](const QString& caption, const QString& text) { Errors << caption + "|" + text; };
    Window = std::make_unique<TTavik>(Platform, options);
}

TWindowHarness::~TWindowHarness() { Window.reset(); }

void TWindowHarness::LoggerTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXLogger_MainTimerTimer();
}

void TWindowHarness::FrequencyMeterTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXFrequencyMeter_TimerTimer();
}

}  // namespace tavik::test
