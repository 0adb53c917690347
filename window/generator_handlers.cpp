// The generator area's handlers: its controls and the hidden service fields.
// The module gets values; reading the boxes and the texts is the window's.
#include <string>

#include "common/errors.h"
#include "common/integer_text.h"
#include "tavik.h"

namespace tavik {

namespace {
using generator::TSource;

TSource SourceOf(const TComboBox& box) { return box.SelectedIndex() == 0 ? TSource::Generator : TSource::PC; }

// The integer of a service field; a text that is not one aborts the command
// the generator has begun, and the error box shows the text.
int32_t IntegerOf(const TEdit& edit, generator::TGenerator& generator, TCommandCode command) {
    const std::string text = edit.Text();
    const std::optional<int32_t> value = ParseInteger(text);
    if (value) return *value;
    generator.RawCommandAborted(command);
    throw EConvertError("''" + text + "'' is not a valid integer value");
}
}  // namespace

void TTavik::Generator_ControlClick(TControl& sender) {
    generator::TGenerator& generator = Instruments.Generator;
    generator::TGeneratorOutputs outputs;
    outputs.High = {VXGenerator_OUT1Value.Checked(), VXGenerator_OUT2Value.Checked(), VXGenerator_OUT3Value.Checked()};
    TComboBox* type = nullptr;
    TComboBox* freq = nullptr;
    if (&sender == &VXGenerator_OUT1Type || &sender == &VXGenerator_OUT1Freq) {
        outputs.Output = 1;
        type = &VXGenerator_OUT1Type;
        freq = &VXGenerator_OUT1Freq;
    } else if (&sender == &VXGenerator_OUT2Type || &sender == &VXGenerator_OUT2Freq) {
        outputs.Output = 2;
        type = &VXGenerator_OUT2Type;
        freq = &VXGenerator_OUT2Freq;
    }
    if (type) {
        outputs.Source = SourceOf(*type);
        // A typed frequency that matches no item of the list has no entry to send.
        const int index = freq->SelectedIndex();
        outputs.FreqIndex = index < 0 ? generator.EntryCount(outputs.Output) : static_cast<std::size_t>(index);
    }
    if (generator.ClickOutputs(outputs).Status != TCommandStatus::NotSent) return;
    // A source the module could not be switched to (no frequency to send with
    // it): the box shows the source the module keeps.
    if (&sender == &VXGenerator_OUT1Type) VXGenerator_OUT1Type.SetItemIndex(generator.OUT1FromPC() ? 1 : 0);
    if (&sender == &VXGenerator_OUT2Type) VXGenerator_OUT2Type.SetItemIndex(generator.OUT2FromPC() ? 1 : 0);
}

void TTavik::AddrEditChange() {
    generator::TGenerator& generator = Instruments.Generator;
    if (!generator.Present()) return;
    const auto address = static_cast<uint16_t>(IntegerOf(AddrEdit, generator, CmdRawReadByte));
    INDataEdit.SetText(std::to_string(generator.RawRead(address).Value));
}

void TTavik::OutDataEditChange() {
    generator::TGenerator& generator = Instruments.Generator;
    if (!generator.Present()) return;
    const auto address = static_cast<uint16_t>(IntegerOf(AddrEdit, generator, CmdRawWriteByte));
    const auto data = static_cast<uint8_t>(IntegerOf(OutDataEdit, generator, CmdRawWriteByte));
    generator.RawWrite(address, data);
}

}  // namespace tavik
