#pragma once
// The program's one window, toolkit-free: the logger area along the top, the
// generator at the bottom left and the frequency meter at the bottom right.
// Every handler lives here, run by a control, a timer or a device event on the
// loop's thread; it moves values between the controls (through a view that a
// toolkit implements) and the instruments.
#include <memory>
#include <string>

#include "chart_model.h"
#include "common/event_loop.h"
#include "common/local_time.h"
#include "controls.h"
#include "device/hid_device_controller.h"
#include "instruments/instrument_session.h"

namespace tavik {

struct TTavikOptions {
    char DecimalSeparator = ',';      // the user's locale's, for every number text
    std::string GroupSeparator = " ";  // the chart labels' thousands
    TClock Clock = LocalTimeNow;
    std::string RecordDirectory;      // empty: the working directory
};

class TTavik : private TControlHost, public TWindowEvents {
    // First: the members below are built with them.
    TTavikOptions Options_;
    TWindowView& View_;

public:
    // Builds the window's behaviour over a view that shows the layout's texts,
    // binds the events, starts the value timer, creates the instrument
    // session (its start-up pass queued on the loop) and runs FormCreate.
    TTavik(THidPlatform& platform, TEventLoop& loop, TWindowView& view, TTavikOptions options = {});
    ~TTavik();
    TTavik(const TTavik&) = delete;
    TTavik& operator=(const TTavik&) = delete;

    // Logger area.
    TLabel VXLogger_Label{*this, TControlId::VXLogger_Label};
    TChartModel VXLogger_OSC;
    TCheckBox VXLogger_10bit{*this, TControlId::VXLogger_10bit};
    TCheckBox VXLogger_8bit{*this, TControlId::VXLogger_8bit};
    TLabel VXLogger_CSR{*this, TControlId::VXLogger_CSR};
    TCheckBox VXLogger_Peak{*this, TControlId::VXLogger_Peak};
    TCheckBox VXLogger_CH1{*this, TControlId::VXLogger_CH1};
    TCheckBox VXLogger_CH2{*this, TControlId::VXLogger_CH2};
    TLabel VXLogger_VCH1{*this, TControlId::VXLogger_VCH1};
    TEdit VXLogger_LevelEdit_CH1{*this, TControlId::VXLogger_LevelEdit_CH1};
    TLabel VXLogger_VCH2{*this, TControlId::VXLogger_VCH2};
    TEdit VXLogger_LevelEdit_CH2{*this, TControlId::VXLogger_LevelEdit_CH2};
    TEdit VXLogger_CalibrateEdit{*this, TControlId::VXLogger_CalibrateEdit};
    TButton VXLogger_CalibrButton{*this, TControlId::VXLogger_CalibrButton};
    TButton VXLogger_StartStop{*this, TControlId::VXLogger_StartStop};
    TLabel VXLogger_FileName{*this, TControlId::VXLogger_FileName};

    // Generator area.
    TLabel VXGenerator_Label{*this, TControlId::VXGenerator_Label};
    TComboBox VXGenerator_OUT1Type{*this, TControlId::VXGenerator_OUT1Type};
    TCheckBox VXGenerator_OUT1Value{*this, TControlId::VXGenerator_OUT1Value};
    TComboBox VXGenerator_OUT1Freq{*this, TControlId::VXGenerator_OUT1Freq};
    TComboBox VXGenerator_OUT2Type{*this, TControlId::VXGenerator_OUT2Type};
    TCheckBox VXGenerator_OUT2Value{*this, TControlId::VXGenerator_OUT2Value};
    TComboBox VXGenerator_OUT2Freq{*this, TControlId::VXGenerator_OUT2Freq};
    TCheckBox VXGenerator_OUT3Value{*this, TControlId::VXGenerator_OUT3Value};

    // Frequency meter area.
    TLabel VXFrequencyMeter_Label{*this, TControlId::VXFrequencyMeter_Label};
    TEdit VXFrequencyMeter_FreqEdit{*this, TControlId::VXFrequencyMeter_FreqEdit};
    TRadioButton VXFrequencyMeter_LAinRadioButton{*this, TControlId::VXFrequencyMeter_LAinRadioButton};
    TEdit VXFrequencyMeter_CalibrateEdit{*this, TControlId::VXFrequencyMeter_CalibrateEdit};
    TButton VXFrequencyMeter_CalibrateButton{*this, TControlId::VXFrequencyMeter_CalibrateButton};
    TEdit VXFrequencyMeter_PromEdit{*this, TControlId::VXFrequencyMeter_PromEdit};
    TLabel VXFrequencyMeter_ResultLabel{*this, TControlId::VXFrequencyMeter_ResultLabel};

    // Service fields, never visible.
    TEdit AddrEdit{*this, TControlId::AddrEdit};
    TEdit INDataEdit{*this, TControlId::INDataEdit};
    TEdit OutDataEdit{*this, TControlId::OutDataEdit};

    // The session the window shows: its instruments, its polling timers and
    // its device controller.
    TInstrumentSession Session;
    TInstruments& Instruments = Session.Instruments;
    TLoopTimer* const VXLogger_MainTimer = Session.PollingTimer(TInstrumentKind::Logger);
    TLoopTimer* const VXFrequencyMeter_Timer = Session.PollingTimer(TInstrumentKind::FrequencyMeter);
    THidDeviceController* const HIDController = Session.Controller.get();
    std::unique_ptr<TLoopTimer> VXLogger_ValueTimer;

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void VXLogger_MainTimerTimer();
    void VXLogger_ValueTimerTimer();
    void CheckBox_ControlClick(TCheckBox& sender);
    void VXLogger_LevelEdit_Change(TEdit& sender);
    void VXLogger_CalibrateEditChange();
    void VXLogger_CalibrButtonClick();
    void VXLogger_StartStopClick();
    void VXFrequencyMeter_TimerTimer();
    void VXFrequencyMeter_CalibrateButtonClick();
    void VXFrequencyMeter_CalibrateEditChange();
    void VXFrequencyMeter_PromEditChange();
    void Generator_ControlClick(TControl& sender);
    void AddrEditChange();
    void OutDataEditChange();

    // The user's acts, from the view.
    void Clicked(TControlId id) override { Raise(id); }
    void Changed(TControlId id) override { Raise(id); }
    void Selected(TControlId id) override { Raise(id); }

    // Runs a handler; an error it lets escape is shown in the error box and
    // the program goes on.
    template <typename F>
    void Guarded(const char* place, F&& handler);

private:
    // The area title that shows a kind's state.
    TLabel& Title(TInstrumentKind kind);
    // TControlHost
    TWindowView& View() const override { return View_; }
    void Raise(TControlId id) override;

    void ReportError(const char* place);
    void ShowLoggerCycle(const logger::TLoggerCycle& cycle);
    void ShowReading(const freqmeter::TReading& reading);
    TSessionSubscriber Shown_;
    void ShowRecordState(bool healthy);
    TCheckBox& SettingBox(logger::TSettingBox box);
};

template <typename F>
void TTavik::Guarded(const char* place, F&& handler) {
    try {
        handler();
    } catch (...) {
        ReportError(place);
    }
}

}  // namespace tavik
