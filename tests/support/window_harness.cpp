#include "window_harness.h"


namespace tavik::test {

TWindowHarness::TWindowHarness(char separator) {
    TTavikOptions options;
    options.DecimalSeparator = separator;
    options.Clock = [this] { return Now; };
    options.RecordDirectory = Folder.string();
    Window = std::make_unique<TTavik>(Platform, Loop, View, options);
}

TWindowHarness::~TWindowHarness() { Window.reset(); }

void TWindowHarness::LoggerTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXLogger_MainTimerTimer();
}

void TWindowHarness::FrequencyMeterTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXFrequencyMeter_TimerTimer();
}

}  // namespace tavik::test
