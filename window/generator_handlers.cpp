// The generator area's handlers: its controls and the hidden service fields.
#include <string>

#include "tavik.h"

namespace tavik {

void TTavik::Generator_ControlClick(TControl& sender) {
    using generator::TControl;
    TControl control = TControl::Level;
    if (&sender == &VXGenerator_OUT1Type) control = TControl::OUT1Type;
    if (&sender == &VXGenerator_OUT1Freq) control = TControl::OUT1Freq;
    if (&sender == &VXGenerator_OUT2Type) control = TControl::OUT2Type;
    if (&sender == &VXGenerator_OUT2Freq) control = TControl::OUT2Freq;
    generator::TControlState state;
    state.OUT1FromGenerator = VXGenerator_OUT1Type.SelectedIndex() == 0;
    state.OUT2FromGenerator = VXGenerator_OUT2Type.SelectedIndex() == 0;
    state.OUT1FreqIndex = VXGenerator_OUT1Freq.SelectedIndex();
    state.OUT2FreqIndex = VXGenerator_OUT2Freq.SelectedIndex();
    state.OUT1High = VXGenerator_OUT1Value.Checked();
    state.OUT2High = VXGenerator_OUT2Value.Checked();
    state.OUT3High = VXGenerator_OUT3Value.Checked();
    const generator::TGenerator& generator = Instruments.Generator;
    if (Instruments.Generator.ControlChanged(control, state) || !generator.Present()) return;
    // A source the module could not be switched to (no frequency to send with
    // it): the box shows the source the module keeps.
    if (control == TControl::OUT1Type) VXGenerator_OUT1Type.SetItemIndex(generator.OUT1FromPC() ? 1 : 0);
    if (control == TControl::OUT2Type) VXGenerator_OUT2Type.SetItemIndex(generator.OUT2FromPC() ? 1 : 0);
}

void TTavik::AddrEditChange() {
    const std::optional<uint8_t> value = Instruments.Generator.RawRead(AddrEdit.Text());
    if (value) INDataEdit.SetText(std::to_string(*value));
}

void TTavik::OutDataEditChange() { Instruments.Generator.RawWrite(AddrEdit.Text(), OutDataEdit.Text()); }

}  // namespace tavik
