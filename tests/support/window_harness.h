#pragma once
// The window's behaviour over a recording view, the in-memory platform with
// simulated modules, the manual loop, a fixed clock and a private folder for
// recordings. No toolkit.
#include <gtest/gtest.h>

#include <memory>

#include "recording_view.h"
#include "simulated_modules.h"
#include "window/tavik.h"

namespace tavik::test {

using I = TControlId;

class TWindowHarness : public TSimulatedModules {
public:
    // separator: the decimal separator of the user's locale.
    explicit TWindowHarness(char separator = ',');
    ~TWindowHarness();

    TRecordingView View;
    std::unique_ptr<TTavik> Window;

    void LoggerTicks(int count);
    void FrequencyMeterTicks(int count);
    const TChartModel& Chart() const { return Window->VXLogger_OSC; }
    int Points(int series) const { return Chart().PointCount(Chart().SeriesAt(series)); }
};

// A window under the given separator with a simulated logger bound and its
// calibration answers behind it: the next tick reads a measurement, and the
// module's log starts empty.
template <char Separator>
class TBoundLoggerTest : public ::testing::Test {
protected:
    TWindowHarness H{Separator};
    std::shared_ptr<sim::TLoggerSimulator> Logger = H.PlugLogger();
    TTavik& W = *H.Window;
    TRecordingView& V = H.View;

    void SetUp() override {
        H.ProcessEvents();
        H.LoggerTicks(1);  // answers the last memory read with a measurement request
        Logger->Received.clear();
    }
};

}  // namespace tavik::test
