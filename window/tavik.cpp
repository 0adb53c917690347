#include "tavik.h"

#include "common/integer_text.h"
#include "error_report.h"

namespace tavik {

TTavik::TTavik(THidPlatform& platform, TEventLoop& loop, TWindowView& view, TTavikOptions options)
    : Options_(std::move(options)), View_(view),
      Session(platform, loop, Options_.DecimalSeparator, nullptr, TStartUpPass::LeftQueued) {
    Instruments.Logger.Clock = Options_.Clock;
    VXLogger_OSC.DecimalSeparator = Options_.DecimalSeparator;
    VXLogger_OSC.GroupSeparator = Options_.GroupSeparator;
    VXLogger_OSC.OnChanged = [this] { View_.ChartChanged(); };

    VXLogger_ValueTimer =
        loop.MakeTimer(VoltmeterShowMs, [this] { Guarded("VXLogger_ValueTimerTimer", [&] { VXLogger_ValueTimerTimer(); }); });

    // What the session runs from the loop runs as the window's handlers.
    Session.RunWork = [this](TSessionWork kind, const std::function<void()>& work) {
        switch (kind) {
        case TSessionWork::Arrival: return Guarded("OnUSBConnect", work);
        case TSessionWork::Removal: return Guarded("OnUSBDisconnect", work);
        case TSessionWork::LoggerPoll: return Guarded("VXLogger_MainTimerTimer", work);
        case TSessionWork::MeterPoll: return Guarded("VXFrequencyMeter_TimerTimer", work);
        }
    };
    Shown_.Binding = [this](TInstrumentKind kind, bool bound) {
        Title(kind).SetTextColour(bound ? colours::Green : colours::Red);
    };
    // A module that stops answering stays bound: its title says so until it
    // answers again.
    Shown_.Answering = [this](TInstrumentKind kind, bool answering) {
        if (Session.Usable(kind))
            Title(kind).SetTextColour(answering ? colours::Green : colours::Orange);
    };
    Shown_.LoggerCycle = [this](const logger::TLoggerCycle& cycle) { ShowLoggerCycle(cycle); };
    Shown_.MeterReading = [this](const freqmeter::TReading& reading) { ShowReading(reading); };
    Session.Subscribe(Shown_);

    // The view shows the layout's texts already, so connecting it raises
    // nothing.
    View_.Connect(*this, VXLogger_OSC);
    Session.MeterOffsetHz = ParseInteger(VXFrequencyMeter_PromEdit.Text()).value_or(0);
    VXLogger_ValueTimer->Start();
    FormCreate();
}

TLabel& TTavik::Title(TInstrumentKind kind) {
    return kind == TInstrumentKind::Logger      ? VXLogger_Label
           : kind == TInstrumentKind::Generator ? VXGenerator_Label
                                                : VXFrequencyMeter_Label;
}

TTavik::~TTavik() {
    FormDestroy();
    VXLogger_ValueTimer->Stop();
    // The session stops its timers and its controller releases the devices
    // without announcing their removal.
    Session.Unsubscribe(Shown_);
    Session.RunWork = nullptr;
    VXLogger_OSC.OnChanged = nullptr;
}

// ---- Start-up and shutdown ----

void TTavik::FormCreate() {
    // The session has built the generator's tables; the labels are ours.
    auto fill = [this](TComboBox& box, const generator::TFreqTable& table, std::size_t count) {
        std::vector<std::string> labels;
        labels.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            labels.push_back(generator::FrequencyLabel(table[i].Frequency, Options_.DecimalSeparator));
        box.AddItems(labels);
    };
    fill(VXGenerator_OUT1Freq, *Instruments.Generator.OUT1FreqTable, Instruments.Generator.EntryCount(1));
    fill(VXGenerator_OUT2Freq, *Instruments.Generator.OUT2FreqTable, Instruments.Generator.EntryCount(2));
    VXGenerator_OUT1Freq.SetItemIndex(0);
    VXGenerator_OUT2Freq.SetItemIndex(0);
    Instruments.Logger.Acquisition.ClearHistory();
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH1);
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH2);
}

void TTavik::FormDestroy() { Instruments.Logger.StopRecording(); }

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
