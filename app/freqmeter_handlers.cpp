// The frequency meter area's handlers: the 250 ms tick, calibration and the
// integer test of its edits.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "colours.h"
#include "common/integer_text.h"
#include "tavik_window.h"
#include "widget_text.h"

namespace tavik {

void TTavik::VXFrequencyMeter_TimerTimer() {
    const std::optional<freqmeter::TReading> reading =
        Instruments.FrequencyMeter.Cycle(Utf8(VXFrequencyMeter_PromEdit->text()));
    if (!reading) return;
    VXFrequencyMeter_FreqEdit->setText(Utf8(reading->FrequencyText));
    SetTextColour(VXFrequencyMeter_PromEdit, reading->PromValid ? NormalTextColour(VXFrequencyMeter_PromEdit) : colours::Red);
    SetLabelText(VXFrequencyMeter_ResultLabel, Utf8(reading->ResultText));
    VXFrequencyMeter_LAinRadioButton->setChecked(reading->InputIn);
}

void TTavik::VXFrequencyMeter_CalibrateButtonClick() {
    const std::optional<int32_t> reference = ParseInteger(Utf8(VXFrequencyMeter_CalibrateEdit->text()));
    if (!reference) {
        SetTextColour(VXFrequencyMeter_CalibrateEdit, colours::Red);
        return;
    }
    SetTextColour(VXFrequencyMeter_CalibrateEdit, NormalTextColour(VXFrequencyMeter_CalibrateEdit));
    Instruments.FrequencyMeter.Calibrate(*reference);
}

void TTavik::VXFrequencyMeter_CalibrateEditChange() {
    const bool valid = ParseInteger(Utf8(VXFrequencyMeter_CalibrateEdit->text())).has_value();
    SetTextColour(VXFrequencyMeter_CalibrateEdit, valid ? NormalTextColour(VXFrequencyMeter_CalibrateEdit) : colours::Red);
}

void TTavik::VXFrequencyMeter_PromEditChange() {
    const bool valid = ParseInteger(Utf8(VXFrequencyMeter_PromEdit->text())).has_value();
    SetTextColour(VXFrequencyMeter_PromEdit, valid ? NormalTextColour(VXFrequencyMeter_PromEdit) : colours::Red);
}

}  // namespace tavik
