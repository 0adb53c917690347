#pragma once
// A window over the in-memory platform with simulated modules, a fixed clock,
// a private folder for recordings and an error box that only records.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/tavik_window.h"
#include "simulated_modules.h"

namespace tavik::test {

class TWindowHarness : public TSimulatedModules {
public:
    explicit TWindowHarness(QLocale locale = QLocale(QLocale::Russian, QLocale::Russia));
    ~TWindowHarness();

    std::unique_ptr<TTavik> Window;
    QStringList Errors;  // "caption|text" of every error box

    void LoggerTicks(int count);
    static void ProcessEvents() { QCoreApplication::processEvents(); }
    void FrequencyMeterTicks(int count);
};

// A window under the given locale with a simulated logger bound and its
// calibration answers behind it: the next tick reads a measurement, and the
// module's log starts empty.
template <QLocale::Language Language>
class TBoundLoggerTest : public ::testing::Test {
protected:
    TWindowHarness H{Language == QLocale::C ? QLocale::c() : QLocale(Language, QLocale::AnyTerritory)};
    std::shared_ptr<sim::TLoggerSimulator> Logger = H.PlugLogger();
    TTavik& W = *H.Window;

    void SetUp() override {
        H.ProcessEvents();
        H.LoggerTicks(1);  // answers the last memory read with a measurement request
        Logger->Received.clear();
    }
};

}  // namespace tavik::test
