// A long random walk over the window and the simulated modules: plugging and
// unplugging, duplicate and foreign modules, module faults, and everything a
// user can do, with the invariants checked after every step. The seed is
// printed; TAVIK_SOAK_SEED and TAVIK_SOAK_STEPS replay or lengthen a run.
// TAVIK_SOAK_TRACE=FILE writes what every step did to the modules and the
// window (every frame, every control's state, timers, errors, files, the
// chart's points), so that a restructuring can be shown to change none of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::I;
using test::TWindowHarness;

struct TModule {
    uint32_t Instance;
    std::shared_ptr<sim::TModuleSimulator> Module;
    std::shared_ptr<sim::TSimulatedDevice> Device;
};

class TSoak {
public:
    explicit TSoak(uint32_t seed) : Random_(seed) {}

    void Run(int steps) {
        H_.ProcessEvents();
        for (Step_ = 0; Step_ < steps; ++Step_) {
            RandomStep();
            Trace();
            CheckInvariants();
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure()) {
                ADD_FAILURE() << "failed at step " << Step_ << " (" << LastAction_ << ")";
                return;
            }
        }
        if (W().Instruments.Logger.RecordFile.IsOpen()) Click();
        CheckFiles();
    }

    std::ofstream TraceFile;

private:
    TTavik& W() { return *H_.Window; }

    void Trace() {
        if (!TraceFile.is_open()) return;
        std::ofstream& out = TraceFile;
        out << "step " << Step_ << ' ' << LastAction_ << '\n';
        auto frames = [&out](const char* what, const std::vector<TFrame>& log, std::size_t& seen) {
            for (; seen < log.size(); ++seen) {
                out << "  " << what;
                for (uint8_t b : log[seen]) out << ' ' << static_cast<int>(b);
                out << '\n';
            }
        };
        for (TModule& m : Modules_) {
            out << " module " << m.Instance << '\n';
            frames("<-", m.Module->Received, Seen_[m.Instance].first);
            frames("->", m.Module->Answered, Seen_[m.Instance].second);
        }
        for (std::size_t i = 0; i < ControlCount; ++i) {
            const auto& c = V()[static_cast<TControlId>(i)];
            out << ' ' << i << " [" << c.Text << "] " << int(c.TextColour.Kind) << ':' << int(c.TextColour.R) << ','
                << int(c.TextColour.G) << ',' << int(c.TextColour.B)
                << ' ' << c.Checked << ' ' << c.Items.size() << ' ' << c.Selection << '\n';
        }
        std::size_t points = 0;
        const TChartModel& chart = W().VXLogger_OSC;
        for (int s = 0; s < 4; ++s)
            for (int p = 0; p < chart.PointCount(chart.SeriesAt(s)); ++p)
                points = points * 31 + std::hash<double>{}(chart.SeriesAt(s).Points[static_cast<std::size_t>(p)]);
        out << " timers " << W().VXLogger_MainTimer->Active() << W().VXFrequencyMeter_Timer->Active() << W().VXLogger_ValueTimer->Active()
            << " errors " << V().Errors.size() << (V().Errors.empty() ? "" : " " + V().Errors.back()) << " chart " << points
            << " changes " << V().ChartChanges << '\n';
        for (const auto& entry : fs::directory_iterator(H_.Folder))
            out << " file " << entry.path().filename().string() << ' ' << fs::file_size(entry.path()) << '\n';
    }
    test::TRecordingView& V() { return H_.View; }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random_); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::string RandomText() {
        static const char* pieces[] = {"", " ", "5", "5,0", "2.5", "-1", "1e3", "1,5E-2", "abc", "В", "٣", "$1F",
                                       "0x10", "2147483648", "  42", "+-1", "1,2,3", "NaN", "inf", "3,3x", "7"};
        std::string text;
        const int parts = Pick(4);
        for (int i = 0; i < parts; ++i) text += pieces[Pick(static_cast<int>(std::size(pieces)))];
        if (Chance(2)) text = std::string(5000 + Pick(5000), '9');
        return text;
    }

    void PlugSomething() {
        std::shared_ptr<sim::TModuleSimulator> module;
        const std::u16string maker = Chance(10) ? u"example.com" : (Chance(50) ? u"tavik.example" : u"www.tavik.example");
        switch (Pick(3)) {
        case 0: {
            auto logger = std::make_shared<sim::TLoggerSimulator>(maker, Chance(50) ? u"VXLogger" : u"QM410");
            logger->Channel1 = {sim::TSignal::TShape::Sine, 0.5, 7.5, 10 + Pick(200)};
            logger->Channel2 = {sim::TSignal::TShape::Steps, 0.0, 6.0, 10 + Pick(100)};
            logger->Memory.StoreFloat(16, 0.7f + 0.1f * Pick(7));
            module = logger;
            break;
        }
        case 1: module = std::make_shared<sim::TGeneratorSimulator>(maker); break;
        default: {
            auto meter = std::make_shared<sim::TFrequencyMeterSimulator>(maker);
            meter->RawCount = static_cast<int32_t>(Random_());
            module = meter;
        }
        }
        if (Chance(5)) module->Product += u" ";
        auto device = std::make_shared<sim::TSimulatedDevice>(module);
        device->RefuseReadWrite = Chance(3);
        const uint32_t instance = H_.Platform.Plug(device);
        Modules_.push_back({instance, module, device});
    }

    TModule* AnyModule() { return Modules_.empty() ? nullptr : &Modules_[static_cast<std::size_t>(Pick(static_cast<int>(Modules_.size())))]; }

    void Unplug(uint32_t instance) {
        H_.Platform.Unplug(instance);
        std::erase_if(Modules_, [instance](const TModule& m) { return m.Instance == instance; });
    }

    void Fault() {
        TModule* m = AnyModule();
        if (!m) return;
        static const uint8_t kinds[] = {0, 2, 3, 5, 7, 0xFF};  // never 1: that is a measurement
        switch (Pick(5)) {
        case 0: m->Module->FailSends = 1 + Pick(3); break;
        case 1: m->Module->FailReads = 1 + Pick(3); break;
        case 2:
            m->Module->ForcedKind = kinds[Pick(6)];
            m->Module->ForcedKindReads = 1 + Pick(3);
            break;
        case 3: m->Module->ZeroReads = 1 + Pick(3); break;
        default: {
            // Gone in the middle of whatever the program does next with it;
            // the operating system's notice follows later.
            const uint32_t instance = m->Instance;
            m->Device->VanishAfterTransfers = 1 + Pick(6);
            m->Device->OnVanish = [this, instance] { Vanished_.push_back(instance); H_.Platform.Unplug(instance); };
        }
        }
    }

    void Click() {
        V().Click(I::VXLogger_StartStop);
        if (W().Instruments.Logger.RecordFile.IsOpen()) {
            OpenFile_ = H_.Folder / V()[I::VXLogger_FileName].Text;
            ExpectedLines_[OpenFile_] = 0;
        }
    }

    void LoggerTick() {
        // The reports the bound logger answers during this tick.
        sim::TModuleSimulator* bound = nullptr;
        for (const TModule& m : Modules_)
            if (W().Instruments.Binding.Device(TInstrumentKind::Logger) && m.Instance == W().Instruments.Binding.Device(TInstrumentKind::Logger)->PnPInfo().DeviceInstance)
                bound = m.Module.get();
        const std::size_t before = bound ? bound->Answered.size() : 0;
        const bool recording = W().Instruments.Logger.RecordFile.IsOpen();
        W().VXLogger_MainTimerTimer();
        if (recording && bound && bound->Answered.size() > before &&
            bound->Answered.back()[0] == 1)
            ++ExpectedLines_[OpenFile_];
    }

    void RandomStep() {
        const I boxes[] = {I::VXGenerator_OUT1Type, I::VXGenerator_OUT1Freq, I::VXGenerator_OUT2Type,
                           I::VXGenerator_OUT2Freq};
        const I logger[] = {I::VXLogger_10bit, I::VXLogger_8bit, I::VXLogger_Peak, I::VXLogger_CH1, I::VXLogger_CH2};
        const I levels[] = {I::VXGenerator_OUT1Value, I::VXGenerator_OUT2Value, I::VXGenerator_OUT3Value};
        const I edits[] = {I::VXLogger_LevelEdit_CH1, I::VXLogger_LevelEdit_CH2, I::VXLogger_CalibrateEdit,
                           I::VXFrequencyMeter_CalibrateEdit, I::VXFrequencyMeter_PromEdit, I::AddrEdit,
                           I::OutDataEdit};
        const int action = Pick(100);
        if (action < 8) {
            LastAction_ = "plug";
            PlugSomething();
            if (Chance(70)) H_.Notify();
        } else if (action < 13) {
            LastAction_ = "unplug";
            if (TModule* m = AnyModule()) Unplug(m->Instance);
            if (Chance(70)) H_.Notify();
        } else if (action < 16) {
            LastAction_ = "notice";
            H_.Notify();
        } else if (action < 22) {
            LastAction_ = "fault";
            Fault();
        } else if (action < 50) {
            LastAction_ = "logger tick";
            LoggerTick();
        } else if (action < 58) {
            LastAction_ = "meter tick";
            W().VXFrequencyMeter_TimerTimer();
        } else if (action < 60) {
            LastAction_ = "value tick";
            W().VXLogger_ValueTimerTimer();
        } else if (action < 66) {
            LastAction_ = "logger box";
            V().Click(logger[Pick(5)]);
        } else if (action < 70) {
            LastAction_ = "generator level";
            V().Click(levels[Pick(3)]);
        } else if (action < 75) {
            LastAction_ = "generator choice";
            const I box = boxes[Pick(4)];
            V().Choose(box, Pick(static_cast<int>(V()[box].Items.size())));
        } else if (action < 77) {
            LastAction_ = "generator typing";
            V().Type(boxes[Pick(4)], RandomText());
        } else if (action < 86) {
            LastAction_ = "edit";
            V().Type(edits[Pick(7)], RandomText());
        } else if (action < 90) {
            LastAction_ = "logger calibration";
            V().Click(I::VXLogger_CalibrButton);
        } else if (action < 93) {
            LastAction_ = "meter calibration";
            V().Click(I::VXFrequencyMeter_CalibrateButton);
        } else if (action < 96) {
            LastAction_ = "start/stop";
            Click();
        } else {
            LastAction_ = "late notice of vanished modules";
            for (uint32_t instance : Vanished_)
                std::erase_if(Modules_, [instance](const TModule& m) { return m.Instance == instance; });
            Vanished_.clear();
            H_.Notify();
        }
    }

    void CheckSlot(THidDevice* device, I title, const TLoopTimer* timer) {
        if (device) {
            ASSERT_TRUE(W().HIDController->Lists(device)) << "a slot refers to a device the controller no longer lists";
        }
        EXPECT_EQ(V()[title].TextColour == colours::Green, device != nullptr) << "title and slot disagree";
        if (timer) {
            EXPECT_EQ(timer->Active(), device != nullptr) << "timer and slot disagree";
        }
    }

    void CheckInvariants() {
        CheckSlot(W().Instruments.Binding.Device(TInstrumentKind::Logger), I::VXLogger_Label, W().VXLogger_MainTimer);
        CheckSlot(W().Instruments.Binding.Device(TInstrumentKind::Generator), I::VXGenerator_Label, nullptr);
        CheckSlot(W().Instruments.Binding.Device(TInstrumentKind::FrequencyMeter), I::VXFrequencyMeter_Label, W().VXFrequencyMeter_Timer);
        EXPECT_TRUE(V().Errors.empty() || V().Errors.back().starts_with("Тавик|")) << "only the conversion errors of the service fields";
        const TChartModel& chart = W().VXLogger_OSC;
        const int trace2 = chart.PointCount(chart.SeriesAt(0));
        const int trace1 = chart.PointCount(chart.SeriesAt(1));
        EXPECT_EQ(trace1, trace2);
        EXPECT_EQ(trace1 % 2, 0);
        EXPECT_LE(trace1, 512);
        EXPECT_LE(chart.PointCount(chart.SeriesAt(2)), 512);
        EXPECT_LE(chart.PointCount(chart.SeriesAt(3)), 512);
        if (W().Instruments.Logger.RecordFile.IsOpen() && Step_ % 50 == 0) CheckFiles();
        for (auto& [path, size] : Sizes_) {
            const auto now = fs::file_size(path);
            EXPECT_GE(now, size) << path << " was truncated";
            size = now;
        }
        for (const auto& [path, lines] : ExpectedLines_)
            if (!Sizes_.count(path) && fs::exists(path)) Sizes_[path] = fs::file_size(path);
    }

    void CheckFiles() {
        for (const auto& [path, lines] : ExpectedLines_) {
            const std::string content = TWindowHarness::ReadFile(path);
            std::size_t count = 0;
            for (std::size_t at = 0; (at = content.find("\r\n", at)) != std::string::npos; at += 2) ++count;
            EXPECT_EQ(count, static_cast<std::size_t>(lines)) << path;
            EXPECT_TRUE(content.empty() || content.substr(content.size() - 2) == "\r\n") << path << " ends mid-line";
        }
    }

    TWindowHarness H_;
    std::mt19937 Random_;
    std::vector<TModule> Modules_;
    std::vector<uint32_t> Vanished_;
    std::map<fs::path, int> ExpectedLines_;
    std::map<fs::path, uintmax_t> Sizes_;
    fs::path OpenFile_;
    int Step_ = 0;
    std::string LastAction_;
    std::map<uint32_t, std::pair<std::size_t, std::size_t>> Seen_;  // frames traced, per plugged module
};

TEST(Soak, RandomStepsKeepEveryInvariant) {
    const char* seedText = std::getenv("TAVIK_SOAK_SEED");
    const char* stepsText = std::getenv("TAVIK_SOAK_STEPS");
    const uint32_t seed = seedText ? static_cast<uint32_t>(std::strtoul(seedText, nullptr, 10)) : 20261208u;
    const int steps = stepsText ? std::atoi(stepsText) : 20000;
    std::printf("soak: seed %u, %d steps (TAVIK_SOAK_SEED=%u replays it)\n", seed, steps, seed);
    TSoak soak(seed);
    if (const char* trace = std::getenv("TAVIK_SOAK_TRACE")) soak.TraceFile.open(trace);
    soak.Run(steps);
}

}  // namespace
}  // namespace tavik
