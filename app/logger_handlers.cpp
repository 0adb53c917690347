// The logger area's handlers: the acquisition tick, the voltmeter, the
// settings boxes, the level lines, calibration and recording.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "colours.h"
#include "common/number_text.h"
#include "tavik_window.h"
#include "widget_text.h"

namespace tavik {

QCheckBox* TTavik::SettingBox(logger::TSettingBox box) const {
    switch (box) {
    case logger::TSettingBox::TenBit: return VXLogger_10bit;
    case logger::TSettingBox::EightBit: return VXLogger_8bit;
    case logger::TSettingBox::Peak: return VXLogger_Peak;
    case logger::TSettingBox::CH1: return VXLogger_CH1;
    case logger::TSettingBox::CH2: break;
    }
    return VXLogger_CH2;
}

void TTavik::MirrorCsr(uint8_t moduleCsr) {
    // Each box whose state changes runs its click handler, in this order.
    for (const logger::TBoxState& state : logger::BoxesShowing(moduleCsr)) SettingBox(state.Box)->setChecked(state.Checked);
}

void TTavik::VXLogger_MainTimerTimer() {
    const std::optional<logger::TLoggerCycle> cycle = Instruments.Logger.Cycle();
    if (!cycle) return;
    SetLabelText(VXLogger_CSR, QStringLiteral("CSR = %1").arg(cycle->Csr));
    MirrorCsr(cycle->ModuleCsr);
    if (cycle->HasSamples) {
        TChartWidget& chart = *VXLogger_OSC;
        if (cycle->NewSweep) {
            chart.ClearPoints(chart.SeriesAt(0));
            chart.ClearPoints(chart.SeriesAt(1));
        }
        const logger::TTracePoints& points = cycle->Points;
        chart.AppendPoint(chart.SeriesAt(1), points.Series1[0]);
        chart.AppendPoint(chart.SeriesAt(1), points.Series1[1]);
        chart.AppendPoint(chart.SeriesAt(0), points.Series2[0]);
        chart.AppendPoint(chart.SeriesAt(0), points.Series2[1]);
    }
    if (cycle->Recorded) ShowRecordState(cycle->RecordHealthy);
    if (cycle->RecordStopped) VXLogger_StartStop->setText(QStringLiteral("Старт"));
}

void TTavik::VXLogger_ValueTimerTimer() {
    SetLabelText(VXLogger_VCH1, Utf8(Instruments.Logger.Acquisition.VCH1Text));
    SetLabelText(VXLogger_VCH2, Utf8(Instruments.Logger.Acquisition.VCH2Text));
}

void TTavik::CheckBox_ControlClick(QCheckBox* sender, bool checked) {
    for (logger::TSettingBox box : {logger::TSettingBox::TenBit, logger::TSettingBox::EightBit, logger::TSettingBox::Peak,
                                    logger::TSettingBox::CH1, logger::TSettingBox::CH2})
        if (SettingBox(box) == sender) Instruments.Logger.ControlClick(box, checked);
}

void TTavik::VXLogger_LevelEdit_Change(QLineEdit* sender) {
    const bool channel1 = sender == VXLogger_LevelEdit_CH1;
    QLineEdit* edit = channel1 ? VXLogger_LevelEdit_CH1 : VXLogger_LevelEdit_CH2;
    const std::optional<float> level = ParseLocaleFloat(Utf8(edit->text()), Separator_);
    if (!level) {
        SetTextColour(edit, colours::Red);
        return;
    }
    SetTextColour(edit, channel1 ? colours::White : colours::Black);
    TChartSeries& line = VXLogger_OSC->SeriesAt(channel1 ? 2 : 3);
    VXLogger_OSC->ClearPoints(line);
    for (int i = 0; i < ChartPointsAcross; ++i) VXLogger_OSC->AppendPoint(line, *level);
}

void TTavik::VXLogger_CalibrateEditChange() {
    const bool valid = ParseLocaleFloat(Utf8(VXLogger_CalibrateEdit->text()), Separator_).has_value();
    SetTextColour(VXLogger_CalibrateEdit, valid ? NormalTextColour(VXLogger_CalibrateEdit) : colours::Red);
}

void TTavik::VXLogger_CalibrButtonClick() {
    const std::optional<float> reference = ParseLocaleFloat(Utf8(VXLogger_CalibrateEdit->text()), Separator_);
    if (!reference) {
        SetTextColour(VXLogger_CalibrateEdit, colours::Red);
        return;
    }
    SetTextColour(VXLogger_CalibrateEdit, NormalTextColour(VXLogger_CalibrateEdit));
    Instruments.Logger.Calibrate(*reference);
}

void TTavik::ShowRecordState(bool healthy) { SetTextColour(VXLogger_FileName, healthy ? colours::Green : colours::Red); }

void TTavik::VXLogger_StartStopClick() {
    const TLocalTime now = Options_.Clock();
    logger::TLogger& logger = Instruments.Logger;
    if (logger.RecordFile.IsOpen()) {
        logger.StopRecording();
        SetTextColour(VXLogger_FileName, colours::Red);
        VXLogger_StartStop->setText(QStringLiteral("Старт"));
        return;
    }
    const std::string created = logger.StartRecording(Options_.RecordDirectory, now);
    if (created.empty()) {
        SetLabelText(VXLogger_FileName, Utf8(logger::RecordFileName(now)));
        SetTextColour(VXLogger_FileName, colours::Red);
        VXLogger_StartStop->setText(QStringLiteral("Старт"));
        return;
    }
    SetLabelText(VXLogger_FileName, Utf8(created));
    SetTextColour(VXLogger_FileName, colours::Green);
    VXLogger_StartStop->setText(QStringLiteral("Стоп"));
}

}  // namespace tavik
