// The logger area's handlers: the acquisition tick, the voltmeter, the
// settings boxes, the level lines, calibration and recording.
#include <cstdio>

#include "common/number_text.h"
#include "instruments/logger/voltmeter_text.h"
#include "tavik.h"

namespace tavik {

namespace {
constexpr logger::TSettingBox SettingBoxes[] = {logger::TSettingBox::TenBit, logger::TSettingBox::EightBit,
                                                logger::TSettingBox::Peak, logger::TSettingBox::CH1,
                                                logger::TSettingBox::CH2};
}  // namespace

TCheckBox& TTavik::SettingBox(logger::TSettingBox box) {
    switch (box) {
    case logger::TSettingBox::TenBit: return VXLogger_10bit;
    case logger::TSettingBox::EightBit: return VXLogger_8bit;
    case logger::TSettingBox::Peak: return VXLogger_Peak;
    case logger::TSettingBox::CH1: return VXLogger_CH1;
    case logger::TSettingBox::CH2: break;
    }
    return VXLogger_CH2;
}

void TTavik::VXLogger_MainTimerTimer() { Session.PollLogger(); }

void TTavik::ShowLoggerCycle(const logger::TLoggerCycle& cycle) {
    char csr[16];
    std::snprintf(csr, sizeof csr, "CSR = %u", static_cast<unsigned>(cycle.Csr));
    VXLogger_CSR.SetCaption(csr);
    // The boxes followed the module in the logger, each with the SetControl
    // its click sends: they only show it.
    for (logger::TSettingBox box : SettingBoxes)
        if (cycle.BoxesChanged & logger::BoxBit(box)) SettingBox(box).ShowChecked(Instruments.Logger.BoxChecked(box));
    if (cycle.HasSamples) {
        TChartModel& chart = VXLogger_OSC;
        if (cycle.NewSweep) {
            chart.ClearPoints(chart.SeriesAt(Channel2TraceSeries));
            chart.ClearPoints(chart.SeriesAt(Channel1TraceSeries));
        }
        const logger::TTracePoints& points = cycle.Points;
        chart.AppendPoint(chart.SeriesAt(Channel1TraceSeries), points.Channel1[0]);
        chart.AppendPoint(chart.SeriesAt(Channel1TraceSeries), points.Channel1[1]);
        chart.AppendPoint(chart.SeriesAt(Channel2TraceSeries), points.Channel2[0]);
        chart.AppendPoint(chart.SeriesAt(Channel2TraceSeries), points.Channel2[1]);
    }
    if (cycle.Recorded) ShowRecordState(cycle.RecordHealthy);
    if (cycle.RecordStopped) VXLogger_StartStop.SetCaption("Старт");
}

void TTavik::VXLogger_ValueTimerTimer() {
    const logger::TAcquisition& acquisition = Instruments.Logger.Acquisition;
    VXLogger_VCH1.SetCaption(logger::VoltmeterText(acquisition, 1, Options_.DecimalSeparator));
    VXLogger_VCH2.SetCaption(logger::VoltmeterText(acquisition, 2, Options_.DecimalSeparator));
}

void TTavik::CheckBox_ControlClick(TCheckBox& sender) {
    for (logger::TSettingBox box : SettingBoxes)
        if (&SettingBox(box) == &sender) Instruments.Logger.ControlClick(box, sender.Checked());
}

void TTavik::VXLogger_LevelEdit_Change(TEdit& sender) {
    const bool channel1 = &sender == &VXLogger_LevelEdit_CH1;
    TEdit& edit = channel1 ? VXLogger_LevelEdit_CH1 : VXLogger_LevelEdit_CH2;
    const std::optional<float> level = ParseLocaleFloat(edit.Text(), Options_.DecimalSeparator);
    if (!level) {
        edit.SetTextColour(colours::Red);
        return;
    }
    edit.SetTextColour(channel1 ? colours::White : colours::Black);
    TChartSeries& line = VXLogger_OSC.SeriesAt(channel1 ? Channel1LevelSeries : Channel2LevelSeries);
    VXLogger_OSC.ClearPoints(line);
    for (int i = 0; i < ChartPointsAcross; ++i) VXLogger_OSC.AppendPoint(line, *level);
}

void TTavik::VXLogger_CalibrateEditChange() {
    const bool valid = ParseLocaleFloat(VXLogger_CalibrateEdit.Text(), Options_.DecimalSeparator).has_value();
    VXLogger_CalibrateEdit.SetTextColour(valid ? colours::Normal : colours::Red);
}

void TTavik::VXLogger_CalibrButtonClick() {
    const std::optional<float> reference = ParseLocaleFloat(VXLogger_CalibrateEdit.Text(), Options_.DecimalSeparator);
    if (!reference) {
        VXLogger_CalibrateEdit.SetTextColour(colours::Red);
        return;
    }
    VXLogger_CalibrateEdit.SetTextColour(colours::Normal);
    Instruments.Logger.Calibrate(*reference);
}

void TTavik::ShowRecordState(bool healthy) { VXLogger_FileName.SetTextColour(healthy ? colours::Green : colours::Red); }

void TTavik::VXLogger_StartStopClick() {
    const TLocalTime now = Options_.Clock();
    logger::TLogger& logger = Instruments.Logger;
    if (logger.RecordFile.IsOpen()) {
        logger.StopRecording();
        VXLogger_FileName.SetTextColour(colours::Red);
        VXLogger_StartStop.SetCaption("Старт");
        return;
    }
    const std::string created = logger.StartRecording(Options_.RecordDirectory, now);
    if (created.empty()) {
        VXLogger_FileName.SetCaption(logger::RecordFileName(now));
        VXLogger_FileName.SetTextColour(colours::Red);
        VXLogger_StartStop.SetCaption("Старт");
        return;
    }
    VXLogger_FileName.SetCaption(created);
    VXLogger_FileName.SetTextColour(colours::Green);
    VXLogger_StartStop.SetCaption("Стоп");
}

}  // namespace tavik
