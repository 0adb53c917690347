// The program on a real Linux kernel: the real window and the real Linux
// platform (libudev, hidraw, hidapi) against tavik-sim's virtual modules, over
// uhid or, with --usb, as USB devices. Runs inside the test VM; prints one
// line per check and a closing "e2e: N passed, M failed" line ("e2e usb: ..."
// over USB).
//
//   tavik_e2e SIM_BINARY OUTPUT_FOLDER [--usb]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "app/qt/qt_window_view.h"
#include "device/platform/linux/linux_hid_platform.h"
#include "loop/qt/qt_event_loop.h"
#include "window/tavik.h"

namespace {

int Passed = 0;
int Failed = 0;
std::string Road;  // "" over uhid, "usb: " over USB

void Check(bool ok, const std::string& what) {
    (ok ? Passed : Failed)++;
    std::printf("  %s %s%s\n", ok ? "ok  " : "FAIL", Road.c_str(), what.c_str());
    std::fflush(stdout);
}

// Runs the event loop until the condition holds or the time is up; prints
// how long it took and returns the milliseconds, or -1.
double WaitFor(const std::string& what, const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    double took = -1;
    while (took < 0 && clock.elapsed() < timeoutMs) {
        if (condition()) took = clock.nsecsElapsed() / 1e6;
        else QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (took < 0 && condition()) took = clock.nsecsElapsed() / 1e6;
    std::printf("  WAIT e2e%s: %s: %.1f s of %d s%s\n", Road.empty() ? "" : " usb", what.c_str(),
                (took < 0 ? clock.nsecsElapsed() / 1e6 : took) / 1000, timeoutMs / 1000, took < 0 ? ", timed out" : "");
    std::fflush(stdout);
    return took;
}

using I = tavik::TControlId;
tavik::TQtWindowView* View = nullptr;

template <typename W>
W* Widget(I id) { return View->As<W>(id); }
QString Text(I id) { return QString::fromStdString(View->Text(id)); }
bool Green(I title) { return Widget<QLabel>(title)->palette().color(QPalette::WindowText) == QColor(0, 128, 0); }
bool Red(I title) { return Widget<QLabel>(title)->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }
bool Orange(I title) { return Widget<QLabel>(title)->palette().color(QPalette::WindowText) == QColor(255, 128, 0); }

class TSimulator {
public:
    TSimulator(const QString& binary, bool usb) {
        Process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&Process, &QProcess::readyRead, [this] { Output += Process.readAll().toStdString(); });
        QStringList arguments{"--verbose", "--count", "123456", "--in", "--signal1", "constant:3.76575",
                              "--signal2", "constant:1.882875"};
        if (usb) arguments << "--usb";
        Process.start(binary, arguments);
    }
    ~TSimulator() {
        Send("quit");
        if (!Process.waitForFinished(5000)) Process.kill();
    }
    void Send(const std::string& line) {
        Process.write((line + "\n").c_str());
        Process.waitForBytesWritten(1000);
    }
    bool Said(const std::string& text) const { return Output.find(text) != std::string::npos; }
    std::size_t Count(const std::string& text) const {
        std::size_t count = 0;
        for (std::size_t at = Output.find(text); at != std::string::npos; at = Output.find(text, at + 1)) ++count;
        return count;
    }
    QProcess Process;
    std::string Output;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool usb = argc == 4 && std::string(argv[3]) == "--usb";
    if (argc < 3 || (argc == 4 && !usb) || argc > 4) {
        std::fprintf(stderr, "usage: tavik_e2e SIM_BINARY OUTPUT_FOLDER [--usb]\n");
        return 2;
    }
    if (usb) Road = "usb: ";
    const std::filesystem::path out = argv[2];
    const std::filesystem::path records = out / (usb ? "records-usb" : "records");
    std::filesystem::create_directories(records);

    TSimulator sim(QString::fromLocal8Bit(argv[1]), usb);
    Check(WaitFor("tavik-sim ready", [&] { return sim.Said("ready"); }, 90000) >= 0, "tavik-sim created three virtual modules");

    tavik::TQtEventLoop loop;
    tavik::TLinuxHidPlatform platform(loop);
    std::printf("  monitor source: %s\n", platform.MonitorSource());
    Check(platform.Available(), "the Linux platform is available");
    tavik::TTavikOptions options;
    options.DecimalSeparator = ',';
    options.RecordDirectory = records.string();
    QStringList errors;
    tavik::TQtWindowView view;
    View = &view;
    view.ErrorPresenter = [&](const std::string& caption, const std::string& text) {
        errors << QString::fromStdString(caption + ": " + text);
    };
    tavik::TTavik window(platform, loop, view, options);
    view.show();
    const double startupMs = WaitFor("three green titles", [&] {
        return Green(I::VXLogger_Label) && Green(I::VXGenerator_Label) && Green(I::VXFrequencyMeter_Label);
    }, 90000);
    Check(startupMs >= 0, "all three titles turn green after the start-up pass");
    Check(window.VXLogger_MainTimer->Active() && window.VXFrequencyMeter_Timer->Active(), "both polling timers run");

    // Logger: traces fill and the voltmeter reads the simulated voltage.
    const tavik::TChartModel& chart = window.VXLogger_OSC;
    Check(WaitFor("the traces fill", [&] { return chart.PointCount(chart.SeriesAt(1)) >= 40; }, 90000) >= 0, "the logger's traces fill");
    const auto& trace = chart.SeriesAt(1).Points;
    Check(!trace.empty() && std::fabs(trace.back() - 3.76575) < 1e-6, "channel 1's trace is at 3.76575 V");
    Check(WaitFor("V1", [&] { return Text(I::VXLogger_VCH1) == QStringLiteral("V1 = 3,766 В"); }, 30000) >= 0,
          "the voltmeter reads V1 = 3,766 В");
    Check(WaitFor("V2", [&] { return Text(I::VXLogger_VCH2) == QStringLiteral("V2 = 1,883 В"); }, 30000) >= 0,
          "the voltmeter reads V2 = 1,883 В");
    Check(Widget<QAbstractButton>(I::VXLogger_10bit)->isChecked() && Widget<QAbstractButton>(I::VXLogger_CH1)->isChecked(), "the settings mirror the module");

    // Recording.
    Widget<QAbstractButton>(I::VXLogger_StartStop)->click();
    const int before = chart.PointCount(chart.SeriesAt(1));
    const auto recordedLines = [&] {
        std::size_t lines = 0;
        for (const auto& entry : std::filesystem::directory_iterator(records)) {
            const std::string content = ReadFile(entry.path());
            lines += std::count(content.begin(), content.end(), '\n');
        }
        return lines;
    };
    WaitFor("ten recorded lines", [&] { return recordedLines() >= 10; }, 60000);
    Widget<QAbstractButton>(I::VXLogger_StartStop)->click();
    Check(chart.PointCount(chart.SeriesAt(1)) != before, "reports kept coming while recording");
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(records)) files.push_back(entry.path());
    Check(files.size() == 1, "one recording file was made");
    if (files.size() == 1) {
        const std::string content = ReadFile(files[0]);
        const std::regex line("\\d{8};\\d{9};24;3,766;1,000;1,883;1,000\r\n");
        std::size_t lines = 0;
        bool allGood = !content.empty();
        for (std::size_t at = 0; at < content.size();) {
            const std::size_t end = content.find("\r\n", at);
            if (end == std::string::npos) {
                allGood = false;
                break;
            }
            allGood &= std::regex_match(content.substr(at, end + 2 - at), line);
            ++lines;
            at = end + 2;
        }
        Check(allGood && lines >= 5, "every recorded line is whole and correct (" + std::to_string(lines) + " lines)");
    }

    // Frequency meter.
    Check(WaitFor("the frequency", [&] { return Text(I::VXFrequencyMeter_FreqEdit) == QStringLiteral("123456"); }, 30000) >= 0,
          "the frequency meter shows 123456");
    Check(Text(I::VXFrequencyMeter_ResultLabel) == QStringLiteral("123,5 кГц"), "the result reads 123,5 кГц");
    Check(Widget<QAbstractButton>(I::VXFrequencyMeter_LAinRadioButton)->isChecked(), "the IN indicator is checked");

    // Generator: a control change reaches the virtual module byte for byte.
    Widget<QAbstractButton>(I::VXGenerator_OUT3Value)->click();
    Check(WaitFor("the generator's report", [&] { return sim.Said("generator1 <-: 02 01 10 00 00 00 00 EF"); }, 15000) >= 0,
          "the generator received 02 01 10 00 00 00 00 EF");

    // Calibration round trips through the virtual modules' memory.
    Widget<QLineEdit>(I::VXLogger_CalibrateEdit)->setText(QStringLiteral("4,0"));
    WaitFor("the voltmeter's average", [&] { return window.Instruments.Logger.Acquisition.V1Avg > 3.7f; }, 15000);
    const float expected1 = static_cast<float>(4.0 / window.Instruments.Logger.Acquisition.V1Avg);
    Widget<QAbstractButton>(I::VXLogger_CalibrButton)->click();
    Check(window.Instruments.Logger.CalFactor1 == expected1, "the logger's channel 1 factor was written and read back");
    Widget<QLineEdit>(I::VXFrequencyMeter_CalibrateEdit)->setText(QStringLiteral("130000"));
    Widget<QAbstractButton>(I::VXFrequencyMeter_CalibrateButton)->click();
    Check(window.Instruments.FrequencyMeter.FreqCalFactor == static_cast<float>(130000.0 / 123456),
          "the frequency meter's factor was written and read back");
    // 123456 Hz times the factor 130000/123456 in single precision: one below
    // or at 130000.
    const auto calibrated = [&] {
        return Text(I::VXFrequencyMeter_FreqEdit) == QStringLiteral("129999") ||
               Text(I::VXFrequencyMeter_FreqEdit) == QStringLiteral("130000");
    };
    Check(WaitFor("the calibrated frequency", calibrated, 15000) >= 0, "the calibrated frequency is shown");

    // Unplug and plug the logger again.
    const uint32_t oldIdentity = window.Instruments.Binding.Device(tavik::TInstrumentKind::Logger)->PnPInfo().DeviceInstance;
    const std::string oldNode = window.Instruments.Binding.Device(tavik::TInstrumentKind::Logger)->PnPInfo().DevicePath;
    sim.Send("unplug logger");
    const double toRed = WaitFor("a red title", [&] { return Red(I::VXLogger_Label); }, 45000);
    Check(toRed >= 0, "unplugging the logger turns its title red");
    Check(!window.VXLogger_MainTimer->Active() && !window.Instruments.Binding.Present(tavik::TInstrumentKind::Logger), "and stops its timer");
    Check(Green(I::VXGenerator_Label) && Green(I::VXFrequencyMeter_Label), "the other areas stay green");
    sim.Send("plug logger");
    const double toGreen = WaitFor("a green title again", [&] { return Green(I::VXLogger_Label); }, 45000);
    Check(toGreen >= 0, "plugging it in again binds it again");
    if (window.Instruments.Binding.Present(tavik::TInstrumentKind::Logger)) {
        const tavik::THidPnPInfo& fresh = window.Instruments.Binding.Device(tavik::TInstrumentKind::Logger)->PnPInfo();
        Check(fresh.DeviceInstance != oldIdentity, "with a new identity (" + oldNode + " -> " + fresh.DevicePath + ")");
    }
    Check(window.VXLogger_MainTimer->Active(), "and its timer runs again");

    // The logger stops answering for 20 s: every transfer to it waits out
    // the kernel's five seconds. The window's loop (a 10 ms probe) and the
    // frequency meter's polling go on, the title says it, and the logger is
    // polled again once it answers.
    sim.Send("hang logger");
    const double toOrange = WaitFor("an orange title", [&] { return Orange(I::VXLogger_Label); }, 15000);
    Check(toOrange >= 0, "a logger that stops answering turns its title orange");
    QElapsedTimer probeClock;
    double worstGapMs = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstGapMs = std::max(worstGapMs, probeClock.nsecsElapsed() / 1e6);
        probeClock.restart();
    });
    const std::string meterAnswer = "freqmeter1 ->:";
    const std::size_t meterBefore = sim.Count(meterAnswer);
    bool alwaysOrange = true;
    probeClock.start();
    probe.start(10);
    QElapsedTimer hung;
    hung.start();
    while (hung.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        alwaysOrange = alwaysOrange && Orange(I::VXLogger_Label);
    }
    probe.stop();
    const double meterRate = static_cast<double>(sim.Count(meterAnswer) - meterBefore) / 20;
    std::printf("  hung logger: the window's loop at most %.1f ms late, the meter answered %.2f times a second\n",
                worstGapMs, meterRate);
    Check(worstGapMs < 250, "the window answers within 250 ms throughout");
    Check(meterRate >= 3.5, "the frequency meter is polled four times a second meanwhile");
    Check(alwaysOrange && Green(I::VXFrequencyMeter_Label) && Green(I::VXGenerator_Label),
          "the logger's title stays orange, the others green");
    const int pointsHung = chart.PointCount(chart.SeriesAt(1));
    sim.Send("answer logger");
    const double toAnswer = WaitFor("green once it answers", [&] { return Green(I::VXLogger_Label); }, 15000);
    Check(toAnswer >= 0, "it turns green again once the logger answers, without a replug");
    Check(WaitFor("reports again", [&] { return chart.PointCount(chart.SeriesAt(1)) != pointsHung; }, 10000) >= 0,
          "and the logger's reports come again");
    Check(errors.isEmpty(), "no error box was shown");

    std::printf("TIMES: %sstart-up pass to three green titles %.0f ms; unplug to red %.0f ms; plug to green %.0f ms; "
                "hang to orange %.0f ms; answer to green %.0f ms\n",
                Road.c_str(), startupMs, toRed, toGreen, toOrange, toAnswer);
    std::printf("e2e%s: %d passed, %d failed\n", usb ? " usb" : "", Passed, Failed);
    std::fflush(stdout);
    return Failed == 0 ? 0 : 1;
}
