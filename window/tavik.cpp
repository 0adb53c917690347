#include "tavik.h"

#include "error_report.h"

namespace tavik {

TTavik::TTavik(THidPlatform& platform, TEventLoop& loop, TWindowView& view, TTavikOptions options)
    : Options_(std::move(options)), View_(view), Instruments(Options_.DecimalSeparator) {
    Instruments.Logger.Clock = Options_.Clock;
    VXLogger_OSC.DecimalSeparator = Options_.DecimalSeparator;
    VXLogger_OSC.GroupSeparator = Options_.GroupSeparator;
    VXLogger_OSC.OnChanged = [this] { View_.ChartChanged(); };

    VXLogger_MainTimer = loop.MakeTimer(LoggerPollMs, [this] { Guarded("VXLogger_MainTimerTimer", [&] { VXLogger_MainTimerTimer(); }); });
    VXFrequencyMeter_Timer =
        loop.MakeTimer(FrequencyMeterPollMs, [this] { Guarded("VXFrequencyMeter_TimerTimer", [&] { VXFrequencyMeter_TimerTimer(); }); });
    VXLogger_ValueTimer =
        loop.MakeTimer(VoltmeterShowMs, [this] { Guarded("VXLogger_ValueTimerTimer", [&] { VXLogger_ValueTimerTimer(); }); });

    HIDController = std::make_unique<THidDeviceController>(platform, loop);
    HIDController->OnArrival = [this](THidDevice& device) { Guarded("OnUSBConnect", [&] { OnUSBConnect(device); }); };
    HIDController->OnRemoval = [this](THidDevice& device) {
        Guarded("OnUSBDisconnect", [&] { OnUSBDisconnect(device); });
    };
    auto showBound = [](TLabel& title) {
        return [&title](bool bound) { title.SetTextColour(bound ? colours::Green : colours::Red); };
    };
    auto switchTimer = [](TLoopTimer& timer) { return [&timer](bool on) { on ? timer.Start() : timer.Stop(); }; };
    Instruments.SetFrontEnd(TInstrumentKind::Logger, showBound(VXLogger_Label), switchTimer(*VXLogger_MainTimer));
    Instruments.SetFrontEnd(TInstrumentKind::Generator, showBound(VXGenerator_Label), nullptr);
    Instruments.SetFrontEnd(TInstrumentKind::FrequencyMeter, showBound(VXFrequencyMeter_Label),
                            switchTimer(*VXFrequencyMeter_Timer));

    // The view shows the layout's texts already, so connecting it raises
    // nothing.
    View_.Connect(*this, VXLogger_OSC);
    VXLogger_ValueTimer->Start();
    FormCreate();
}

TTavik::~TTavik() {
    FormDestroy();
    VXLogger_MainTimer->Stop();
    VXFrequencyMeter_Timer->Stop();
    VXLogger_ValueTimer->Stop();
    // The controller releases its devices without announcing their removal.
    HIDController.reset();
    VXLogger_OSC.OnChanged = nullptr;
}

// ---- Start-up and shutdown ----

void TTavik::FormCreate() {
    Instruments.Generator.BuildTables();
    auto fill = [](TComboBox& box, const generator::TFreqTable& table, std::size_t count) {
        std::vector<std::string> labels;
        labels.reserve(count);
        for (std::size_t i = 0; i < count; ++i) labels.push_back(table[i].Text);
        box.AddItems(labels);
    };
    fill(VXGenerator_OUT1Freq, *Instruments.Generator.OUT1FreqTable, Instruments.Generator.OUT1Count());
    fill(VXGenerator_OUT2Freq, *Instruments.Generator.OUT2FreqTable, Instruments.Generator.OUT2Count());
    VXGenerator_OUT1Freq.SetItemIndex(0);
    VXGenerator_OUT2Freq.SetItemIndex(0);
    Instruments.Logger.Acquisition.ClearHistory();
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH1);
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH2);
}

void TTavik::FormDestroy() { Instruments.Logger.StopRecording(); }

// ---- Instrument binding ----

void TTavik::OnUSBConnect(THidDevice& device) { Instruments.Binding.OnUSBConnect(device); }

void TTavik::OnUSBDisconnect(THidDevice& device) { Instruments.Binding.OnUSBDisconnect(device); }

// ---- Events ----

void TTavik::Raise(TControlId id) {
    using I = TControlId;
    switch (id) {
    case I::VXLogger_10bit: return Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(VXLogger_10bit); });
    case I::VXLogger_8bit: return Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(VXLogger_8bit); });
    case I::VXLogger_Peak: return Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(VXLogger_Peak); });
    case I::VXLogger_CH1: return Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(VXLogger_CH1); });
    case I::VXLogger_CH2: return Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(VXLogger_CH2); });
    case I::VXLogger_LevelEdit_CH1:
        return Guarded("VXLogger_LevelEdit_Change", [&] { VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH1); });
    case I::VXLogger_LevelEdit_CH2:
        return Guarded("VXLogger_LevelEdit_Change", [&] { VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH2); });
    case I::VXLogger_CalibrateEdit: return Guarded("VXLogger_CalibrateEditChange", [&] { VXLogger_CalibrateEditChange(); });
    case I::VXLogger_CalibrButton: return Guarded("VXLogger_CalibrButtonClick", [&] { VXLogger_CalibrButtonClick(); });
    case I::VXLogger_StartStop: return Guarded("VXLogger_StartStopClick", [&] { VXLogger_StartStopClick(); });
    case I::VXGenerator_OUT1Type:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT1Type); });
    case I::VXGenerator_OUT1Value:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT1Value); });
    case I::VXGenerator_OUT1Freq:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT1Freq); });
    case I::VXGenerator_OUT2Type:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT2Type); });
    case I::VXGenerator_OUT2Value:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT2Value); });
    case I::VXGenerator_OUT2Freq:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT2Freq); });
    case I::VXGenerator_OUT3Value:
        return Guarded("Generator_ControlClick", [&] { Generator_ControlClick(VXGenerator_OUT3Value); });
    case I::VXFrequencyMeter_CalibrateEdit:
        return Guarded("VXFrequencyMeter_CalibrateEditChange", [&] { VXFrequencyMeter_CalibrateEditChange(); });
    case I::VXFrequencyMeter_CalibrateButton:
        return Guarded("VXFrequencyMeter_CalibrateButtonClick", [&] { VXFrequencyMeter_CalibrateButtonClick(); });
    case I::VXFrequencyMeter_PromEdit:
        return Guarded("VXFrequencyMeter_PromEditChange", [&] { VXFrequencyMeter_PromEditChange(); });
    case I::AddrEdit: return Guarded("AddrEditChange", [&] { AddrEditChange(); });
    case I::OutDataEdit: return Guarded("OutDataEditChange", [&] { OutDataEditChange(); });
    default: return;  // no handler bound
    }
}

void TTavik::ReportError(const char* place) {
    if (const std::optional<TErrorReport> report = ReportOfCurrentError(place)) View_.ShowError(report->Caption, report->Text);
}

}  // namespace tavik
