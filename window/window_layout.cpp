#include "window_layout.h"

namespace tavik {

namespace {
using K = TControlKind;
using F = TFontRole;
using I = TControlId;
namespace c = colours;

constexpr const char* Sources[] = {"генератор", "ПК"};
constexpr const char* Level = "0 - LOW, 1 - HIGH";
constexpr std::nullopt_t Theme = std::nullopt;

constexpr TFontSpec Fonts[] = {
    {"MS Sans Serif", 11, false, false},    // window
    {"MS Sans Serif", 15, true, true},      // title
    {"MS Sans Serif", 11, true, true},      // section
    {"MS Sans Serif", 11, true, false},     // caption
    {"Times New Roman", 20, true, false},   // reading
    {"Arial", 11, false, false},            // chart labels
};
}  // namespace

const TFontSpec& FontOf(TFontRole role) { return Fonts[static_cast<std::size_t>(role)]; }

const TWindowFrame WindowFrame{"Tavik", "Тавик", 100, 100, 747, 415, c::Face, F::Window};

const std::array<TControlLayout, ControlCount> WindowLayout = {{
    // Logger area.
    {I::VXLogger_Label, "VXLogger_Label", K::Label, 8, 8, 278, 16, "Самописец/вольтметр/осциллограф", F::Title, c::Red, Theme},
    {I::VXLogger_OSC, "VXLogger_OSC", K::Chart, 8, 30, 512, 256, "", F::Window, Theme, Theme},
    {I::VXLogger_ControlLabel, "VXLogger_ControlLabel", K::Label, 532, 30, 71, 13, "Настройки", F::Section, Theme, Theme},
    {I::VXLogger_10bit, "VXLogger_10bit", K::CheckBox, 539, 49, 62, 17, "10bit", F::Window, Theme, Theme},
    {I::VXLogger_8bit, "VXLogger_8bit", K::CheckBox, 611, 49, 62, 17, "8bit", F::Window, Theme, Theme},
    {I::VXLogger_CSR, "VXLogger_CSR", K::Label, 679, 51, 34, 13, "CSR = ", F::Window, Theme, Theme},
    {I::VXLogger_Peak, "VXLogger_Peak", K::CheckBox, 539, 74, 62, 17, "Peak", F::Window, Theme, Theme},
    {I::VXLogger_CH1, "VXLogger_CH1", K::CheckBox, 611, 74, 46, 17, "CH1", F::Window, Theme, Theme},
    {I::VXLogger_CH2, "VXLogger_CH2", K::CheckBox, 679, 74, 46, 17, "CH2", F::Window, Theme, Theme},
    {I::VXLogger_OutVoltLabel, "VXLogger_OutVoltLabel", K::Label, 532, 101, 71, 13, "Вольтметр", F::Section, Theme, Theme},
    {I::Label1, "Label1", K::Label, 674, 110, 44, 13, "Уровень", F::Window, Theme, Theme},
    {I::VXLogger_VCH1, "VXLogger_VCH1", K::Label, 542, 124, 108, 23, "V1 = 0.000 В", F::Reading, c::Red, c::Face},
    {I::VXLogger_LevelEdit_CH1, "VXLogger_LevelEdit_CH1", K::Edit, 675, 126, 44, 21, "5,0", F::Window, c::White, c::Blue},
    {I::VXLogger_LevelVolt_CH1, "VXLogger_LevelVolt_CH1", K::Label, 723, 129, 9, 13, "В", F::Caption, c::Black, Theme},
    {I::VXLogger_VCH2, "VXLogger_VCH2", K::Label, 542, 152, 108, 23, "V2 = 0.000 В", F::Reading, c::Lime, c::Face},
    {I::VXLogger_LevelEdit_CH2, "VXLogger_LevelEdit_CH2", K::Edit, 675, 153, 44, 21, "2,5", F::Window, c::Black, c::Yellow},
    {I::VXLogger_LevelVolt_CH2, "VXLogger_LevelVolt_CH2", K::Label, 723, 157, 9, 13, "В", F::Caption, c::Black, Theme},
    {I::VXLogger_CalibrLabel, "VXLogger_CalibrLabel", K::Label, 532, 189, 78, 13, "Калибровка", F::Section, Theme, Theme},
    {I::VXLogger_CalibrateEdit, "VXLogger_CalibrateEdit", K::Edit, 576, 208, 44, 21, "5,0", F::Window, Theme, Theme},
    {I::VXLogger_CalibrVolt, "VXLogger_CalibrVolt", K::Label, 624, 211, 9, 13, "В", F::Caption, Theme, Theme},
    {I::VXLogger_CalibrButton, "VXLogger_CalibrButton", K::Button, 639, 208, 46, 20, "Calibr.", F::Window, Theme, Theme},
    {I::VXLogger_LoggerLabel, "VXLogger_LoggerLabel", K::Label, 532, 243, 73, 13, "Самописец", F::Section, Theme, Theme},
    {I::VXLogger_StartStop, "VXLogger_StartStop", K::Button, 539, 261, 75, 25, "Старт", F::Window, Theme, Theme},
    {I::VXLogger_FileName, "VXLogger_FileName", K::Label, 629, 267, 38, 13, "noname", F::Window, Theme, Theme},
    // Generator area.
    {I::VXGenerator_Label, "VXGenerator_Label", K::Label, 8, 297, 325, 16, "Генератор частоты/логический генератор", F::Title, c::Red, Theme},
    {I::VXGenerator_SourceLabel, "VXGenerator_SourceLabel", K::Label, 67, 319, 115, 13, "Источник сигнала", F::Section, Theme, Theme},
    {I::VXGenerator_LevelLabel, "VXGenerator_LevelLabel", K::Label, 216, 319, 58, 13, "Уровень", F::Section, Theme, Theme},
    {I::VXGenerator_FrequencyLabel, "VXGenerator_FrequencyLabel", K::Label, 325, 319, 56, 13, "Частота", F::Section, Theme, Theme},
    {I::VXGenerator_OUT1Label, "VXGenerator_OUT1Label", K::Label, 8, 338, 48, 13, "Канал 1", F::Caption, Theme, Theme},
    {I::VXGenerator_OUT1Type, "VXGenerator_OUT1Type", K::ComboBox, 81, 336, 83, 21, "генератор", F::Window, Theme, Theme, true, Sources},
    {I::VXGenerator_OUT1Value, "VXGenerator_OUT1Value", K::CheckBox, 185, 337, 115, 17, Level, F::Window, Theme, Theme},
    {I::VXGenerator_OUT1Freq, "VXGenerator_OUT1Freq", K::ComboBox, 305, 335, 76, 21, "0 Hz", F::Window, Theme, Theme},
    {I::Label4, "Label4", K::Label, 389, 341, 15, 13, "Гц", F::Caption, Theme, Theme},
    {I::VXGenerator_OUT2Label, "VXGenerator_OUT2Label", K::Label, 8, 362, 48, 13, "Канал 2", F::Caption, Theme, Theme},
    {I::VXGenerator_OUT2Type, "VXGenerator_OUT2Type", K::ComboBox, 81, 360, 83, 21, "генератор", F::Window, Theme, Theme, true, Sources},
    {I::VXGenerator_OUT2Value, "VXGenerator_OUT2Value", K::CheckBox, 185, 360, 115, 17, Level, F::Window, Theme, Theme},
    {I::VXGenerator_OUT2Freq, "VXGenerator_OUT2Freq", K::ComboBox, 305, 360, 76, 21, "0 Hz", F::Window, Theme, Theme},
    {I::Label5, "Label5", K::Label, 389, 363, 15, 13, "Гц", F::Caption, Theme, Theme},
    {I::VXGenerator_OUT3Label, "VXGenerator_OUT3Label", K::Label, 8, 385, 48, 13, "Канал 3", F::Caption, Theme, Theme},
    {I::VXGenerator_OUT3Value, "VXGenerator_OUT3Value", K::CheckBox, 185, 383, 115, 17, Level, F::Window, Theme, Theme},
    // Frequency meter area.
    {I::VXFrequencyMeter_Label, "VXFrequencyMeter_Label", K::Label, 438, 297, 225, 16, "Частотомер/цифровая шкала", F::Title, c::Red, Theme},
    {I::VXFrequencyMeter_FreqLabel, "VXFrequencyMeter_FreqLabel", K::Label, 442, 318, 72, 13, "Частота, Гц", F::Caption, Theme, Theme},
    {I::VXFrequencyMeter_FreqEdit, "VXFrequencyMeter_FreqEdit", K::Edit, 592, 316, 95, 21, "0", F::Window, Theme, Theme},
    {I::VXFrequencyMeter_LAinRadioButton, "VXFrequencyMeter_LAinRadioButton", K::RadioButton, 700, 320, 40, 17, "IN", F::Window, Theme, Theme},
    {I::VXFrequencyMeter_CalibrateLabel, "VXFrequencyMeter_CalibrateLabel", K::Label, 442, 342, 136, 13, "Эталонная частота, Гц", F::Caption, Theme, Theme},
    {I::VXFrequencyMeter_CalibrateEdit, "VXFrequencyMeter_CalibrateEdit", K::Edit, 592, 339, 95, 21, "100000", F::Window, Theme, Theme},
    {I::VXFrequencyMeter_CalibrateButton, "VXFrequencyMeter_CalibrateButton", K::Button, 693, 340, 47, 20, "Calibr.", F::Window, Theme, Theme},
    {I::VXFrequencyMeter_PromLabel, "VXFrequencyMeter_PromLabel", K::Label, 442, 365, 117, 13, "Промежуточная, Гц", F::Caption, Theme, Theme},
    {I::VXFrequencyMeter_PromEdit, "VXFrequencyMeter_PromEdit", K::Edit, 592, 361, 95, 21, "0", F::Window, Theme, Theme},
    {I::VXFrequencyMeter_ResLabel, "VXFrequencyMeter_ResLabel", K::Label, 442, 388, 62, 13, "Результат", F::Caption, Theme, Theme},
    {I::VXFrequencyMeter_ResultLabel, "VXFrequencyMeter_ResultLabel", K::Label, 595, 384, 40, 23, "0 Гц", F::Reading, c::Green, c::Face},
    // Service fields: never shown, never focused.
    {I::AddrEdit, "AddrEdit", K::Edit, 302, 387, 44, 21, "0", F::Window, Theme, Theme, false},
    {I::INDataEdit, "INDataEdit", K::Edit, 350, 387, 47, 21, "", F::Window, Theme, Theme, false},
    {I::OutDataEdit, "OutDataEdit", K::Edit, 401, 387, 47, 21, "9", F::Window, Theme, Theme, false},
}};

const std::array<TControlId, 26> KeyboardOrder = {
    I::VXLogger_Peak,         I::VXLogger_CH1,           I::VXLogger_CH2,
    I::VXLogger_StartStop,    I::AddrEdit,               I::OutDataEdit,
    I::INDataEdit,            I::VXGenerator_OUT1Value,  I::VXGenerator_OUT2Value,
    I::VXGenerator_OUT3Value, I::VXGenerator_OUT1Freq,   I::VXFrequencyMeter_FreqEdit,
    I::VXFrequencyMeter_PromEdit, I::VXFrequencyMeter_LAinRadioButton, I::VXFrequencyMeter_CalibrateEdit,
    I::VXFrequencyMeter_CalibrateButton, I::VXGenerator_OUT2Freq, I::VXLogger_CalibrateEdit,
    I::VXLogger_CalibrButton, I::VXLogger_OSC,           I::VXGenerator_OUT1Type,
    I::VXGenerator_OUT2Type,  I::VXLogger_10bit,         I::VXLogger_8bit,
    I::VXLogger_LevelEdit_CH1, I::VXLogger_LevelEdit_CH2};

}  // namespace tavik
