// The program's window over simulated modules, with no hardware and no kernel
// support: the three modules answer from memory. For trying the program and
// for looking at it; options:
//   --seconds N        close after N seconds (default: run until closed)
//   --screenshot FILE  save a picture of the window just before closing
//   --record           start a recording in the working directory
//   --unplug-logger S  unplug the logger after S seconds
//   --show-list        open channel 1's frequency list after a second
#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "tavik_window.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    double seconds = 0;
    double unplugLogger = 0;
    QString screenshot;
    bool record = false;
    bool showList = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc) screenshot = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--record")) record = true;
        else if (!std::strcmp(argv[i], "--show-list")) showList = true;
        else if (!std::strcmp(argv[i], "--unplug-logger") && i + 1 < argc) unplugLogger = std::atof(argv[++i]);
    }

    tavik::TMemoryHidPlatform platform;
    platform.LogWire = false;
    auto logger = std::make_shared<tavik::sim::TLoggerSimulator>();
    logger->Csr = 0x00;  // 10 bit
    logger->Channel1 = {tavik::sim::TSignal::TShape::Sine, 1.0, 6.5, 96};
    logger->Channel2 = {tavik::sim::TSignal::TShape::Ramp, 0.5, 4.0, 160};
    auto generator = std::make_shared<tavik::sim::TGeneratorSimulator>();
    auto meter = std::make_shared<tavik::sim::TFrequencyMeterSimulator>();
    meter->RawCount = 100000;
    meter->InputIn = true;
    const uint32_t loggerInstance = platform.Plug(std::make_shared<tavik::sim::TSimulatedDevice>(logger));
    platform.Plug(std::make_shared<tavik::sim::TSimulatedDevice>(generator));
    platform.Plug(std::make_shared<tavik::sim::TSimulatedDevice>(meter));

    tavik::TTavik window(platform);
    window.show();
    if (showList) QTimer::singleShot(1000, &window, [&window] { window.VXGenerator_OUT1Freq->showPopup(); });
    if (record) QTimer::singleShot(100, &window, [&window] { window.VXLogger_StartStopClick(); });
    if (unplugLogger > 0)
        QTimer::singleShot(static_cast<int>(unplugLogger * 1000), &window, [&] {
            platform.Unplug(loggerInstance);
            platform.NotifyDeviceChange();
        });
    if (seconds > 0)
        QTimer::singleShot(static_cast<int>(seconds * 1000), &window, [&] {
            if (!screenshot.isEmpty() && !window.grab().save(screenshot))
                std::fprintf(stderr, "could not save %s\n", qPrintable(screenshot));
            window.close();
        });
    QApplication::exec();
    return 0;
}
