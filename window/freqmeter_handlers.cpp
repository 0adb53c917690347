// The frequency meter area's handlers: the 250 ms tick, calibration and the
// integer test of its edits.
#include "common/integer_text.h"
#include "tavik.h"

namespace tavik {

void TTavik::VXFrequencyMeter_TimerTimer() { Session.PollMeter(); }

void TTavik::ShowReading(const freqmeter::TReading& reading) {
    // A text that is not an integer counts as no intermediate frequency (the
    // session's offset follows the edit), and shows red once a reading comes.
    const bool offset = ParseInteger(VXFrequencyMeter_PromEdit.Text()).has_value();
    VXFrequencyMeter_FreqEdit.SetText(std::to_string(reading.Hertz));
    VXFrequencyMeter_PromEdit.SetTextColour(offset ? colours::Normal : colours::Red);
    VXFrequencyMeter_ResultLabel.SetCaption(freqmeter::ResultText(reading.Result, Options_.DecimalSeparator));
    VXFrequencyMeter_LAinRadioButton.SetChecked(reading.InputIn);
}

void TTavik::VXFrequencyMeter_CalibrateButtonClick() {
    const std::optional<int32_t> reference = ParseInteger(VXFrequencyMeter_CalibrateEdit.Text());
    if (!reference) {
        VXFrequencyMeter_CalibrateEdit.SetTextColour(colours::Red);
        return;
    }
    VXFrequencyMeter_CalibrateEdit.SetTextColour(colours::Normal);
    Instruments.FrequencyMeter.Calibrate(*reference);
}

void TTavik::VXFrequencyMeter_CalibrateEditChange() {
    const bool valid = ParseInteger(VXFrequencyMeter_CalibrateEdit.Text()).has_value();
    VXFrequencyMeter_CalibrateEdit.SetTextColour(valid ? colours::Normal : colours::Red);
}

void TTavik::VXFrequencyMeter_PromEditChange() {
    const std::optional<int32_t> offset = ParseInteger(VXFrequencyMeter_PromEdit.Text());
    Session.MeterOffsetHz = offset.value_or(0);
    VXFrequencyMeter_PromEdit.SetTextColour(offset ? colours::Normal : colours::Red);
}

}  // namespace tavik
