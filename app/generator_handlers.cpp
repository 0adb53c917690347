// The generator area's handlers: its controls and the hidden service fields.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "tavik_window.h"
#include "widget_text.h"

namespace tavik {

int TTavik::SelectedIndex(const QComboBox* box) {
    const QString text = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == text) return current;
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TTavik::Generator_ControlClick(QObject* sender) {
    using generator::TControl;
    TControl control = TControl::Level;
    if (sender == VXGenerator_OUT1Type) control = TControl::OUT1Type;
    if (sender == VXGenerator_OUT1Freq) control = TControl::OUT1Freq;
    if (sender == VXGenerator_OUT2Type) control = TControl::OUT2Type;
    if (sender == VXGenerator_OUT2Freq) control = TControl::OUT2Freq;
    generator::TControlState state;
    state.OUT1FromGenerator = SelectedIndex(VXGenerator_OUT1Type) == 0;
    state.OUT2FromGenerator = SelectedIndex(VXGenerator_OUT2Type) == 0;
    state.OUT1FreqIndex = SelectedIndex(VXGenerator_OUT1Freq);
    state.OUT2FreqIndex = SelectedIndex(VXGenerator_OUT2Freq);
    state.OUT1High = VXGenerator_OUT1Value->isChecked();
    state.OUT2High = VXGenerator_OUT2Value->isChecked();
    state.OUT3High = VXGenerator_OUT3Value->isChecked();
    const generator::TGenerator& generator = Instruments.Generator;
    if (Instruments.Generator.ControlChanged(control, state) || !generator.Present()) return;
    // A source the module could not be switched to (no frequency to send with
    // it): the box shows the source the module keeps.
    if (control == TControl::OUT1Type) VXGenerator_OUT1Type->setCurrentIndex(generator.OUT1FromPC() ? 1 : 0);
    if (control == TControl::OUT2Type) VXGenerator_OUT2Type->setCurrentIndex(generator.OUT2FromPC() ? 1 : 0);
}

void TTavik::AddrEditChange() {
    const std::optional<uint8_t> value = Instruments.Generator.RawRead(Utf8(AddrEdit->text()));
    if (value) INDataEdit->setText(QString::number(*value));
}

void TTavik::OutDataEditChange() { Instruments.Generator.RawWrite(Utf8(AddrEdit->text()), Utf8(OutDataEdit->text())); }

}  // namespace tavik
