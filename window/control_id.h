#pragma once
// Every control of the window, by the name it is laid out under.
#include <cstddef>
#include <cstdint>

namespace tavik {

enum class TControlId : uint8_t {
    // Logger area.
    VXLogger_Label,
    VXLogger_OSC,
    VXLogger_ControlLabel,
    VXLogger_10bit,
    VXLogger_8bit,
    VXLogger_CSR,
    VXLogger_Peak,
    VXLogger_CH1,
    VXLogger_CH2,
    VXLogger_OutVoltLabel,
    Label1,
    VXLogger_VCH1,
    VXLogger_LevelEdit_CH1,
    VXLogger_LevelVolt_CH1,
    VXLogger_VCH2,
    VXLogger_LevelEdit_CH2,
    VXLogger_LevelVolt_CH2,
    VXLogger_CalibrLabel,
    VXLogger_CalibrateEdit,
    VXLogger_CalibrVolt,
    VXLogger_CalibrButton,
    VXLogger_LoggerLabel,
    VXLogger_StartStop,
    VXLogger_FileName,
    // Generator area.
    VXGenerator_Label,
    VXGenerator_SourceLabel,
    VXGenerator_LevelLabel,
    VXGenerator_FrequencyLabel,
    VXGenerator_OUT1Label,
    VXGenerator_OUT1Type,
    VXGenerator_OUT1Value,
    VXGenerator_OUT1Freq,
    Label4,
    VXGenerator_OUT2Label,
    VXGenerator_OUT2Type,
    VXGenerator_OUT2Value,
    VXGenerator_OUT2Freq,
    Label5,
    VXGenerator_OUT3Label,
    VXGenerator_OUT3Value,
    // Frequency meter area.
    VXFrequencyMeter_Label,
    VXFrequencyMeter_FreqLabel,
    VXFrequencyMeter_FreqEdit,
    VXFrequencyMeter_LAinRadioButton,
    VXFrequencyMeter_CalibrateLabel,
    VXFrequencyMeter_CalibrateEdit,
    VXFrequencyMeter_CalibrateButton,
    VXFrequencyMeter_PromLabel,
    VXFrequencyMeter_PromEdit,
    VXFrequencyMeter_ResLabel,
    VXFrequencyMeter_ResultLabel,
    // Service fields, never visible.
    AddrEdit,
    INDataEdit,
    OutDataEdit,
};

constexpr std::size_t ControlCount = static_cast<std::size_t>(TControlId::OutDataEdit) + 1;
constexpr std::size_t IndexOf(TControlId id) { return static_cast<std::size_t>(id); }

enum class TControlKind : uint8_t { Label, Chart, CheckBox, RadioButton, Edit, Button, ComboBox };

}  // namespace tavik
