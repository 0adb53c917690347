#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#if defined(__GNUG__)
#include <cxxabi.h>
#endif
#include <cstdlib>
#include <typeinfo>

#include "common/errors.h"
#include "tavik_window.h"

namespace tavik {

void TTavik::BindEvents() {
    // Check boxes: a change of state, by a click or from code.
    for (QCheckBox* box : {VXLogger_10bit, VXLogger_8bit, VXLogger_Peak, VXLogger_CH1, VXLogger_CH2})
        connect(box, &QCheckBox::toggled, this,
                [this, box](bool checked) { Guarded("CheckBox_ControlClick", [&] { CheckBox_ControlClick(box, checked); }); });
    for (QCheckBox* box : {VXGenerator_OUT1Value, VXGenerator_OUT2Value, VXGenerator_OUT3Value})
        connect(box, &QCheckBox::toggled, this,
                [this, box] { Guarded("Generator_ControlClick", [&] { Generator_ControlClick(box); }); });
    // Combo boxes: the user's choice or typing, never a selection from code.
    for (QComboBox* box : {VXGenerator_OUT1Type, VXGenerator_OUT1Freq, VXGenerator_OUT2Type, VXGenerator_OUT2Freq}) {
        auto handler = [this, box] { Guarded("Generator_ControlClick", [&] { Generator_ControlClick(box); }); };
        connect(box, &QComboBox::activated, this, handler);
        connect(box->lineEdit(), &QLineEdit::textEdited, this, handler);
    }
    // Edits: every change of text, by the user or from code.
    for (QLineEdit* level : {VXLogger_LevelEdit_CH1, VXLogger_LevelEdit_CH2})
        connect(level, &QLineEdit::textChanged, this,
                [this, level] { Guarded("VXLogger_LevelEdit_Change", [&] { VXLogger_LevelEdit_Change(level); }); });
    connect(VXLogger_CalibrateEdit, &QLineEdit::textChanged, this,
            [this] { Guarded("VXLogger_CalibrateEditChange", [&] { VXLogger_CalibrateEditChange(); }); });
    connect(VXFrequencyMeter_CalibrateEdit, &QLineEdit::textChanged, this,
            [this] { Guarded("VXFrequencyMeter_CalibrateEditChange", [&] { VXFrequencyMeter_CalibrateEditChange(); }); });
    connect(VXFrequencyMeter_PromEdit, &QLineEdit::textChanged, this,
            [this] { Guarded("VXFrequencyMeter_PromEditChange", [&] { VXFrequencyMeter_PromEditChange(); }); });
    connect(AddrEdit, &QLineEdit::textChanged, this, [this] { Guarded("AddrEditChange", [&] { AddrEditChange(); }); });
    connect(OutDataEdit, &QLineEdit::textChanged, this,
            [this] { Guarded("OutDataEditChange", [&] { OutDataEditChange(); }); });
    // Buttons.
    connect(VXLogger_CalibrButton, &QPushButton::clicked, this,
            [this] { Guarded("VXLogger_CalibrButtonClick", [&] { VXLogger_CalibrButtonClick(); }); });
    connect(VXLogger_StartStop, &QPushButton::clicked, this,
            [this] { Guarded("VXLogger_StartStopClick", [&] { VXLogger_StartStopClick(); }); });
    connect(VXFrequencyMeter_CalibrateButton, &QPushButton::clicked, this, [this] {
        Guarded("VXFrequencyMeter_CalibrateButtonClick", [&] { VXFrequencyMeter_CalibrateButtonClick(); });
    });
    // Timers.
    connect(VXLogger_MainTimer, &QTimer::timeout, this,
            [this] { Guarded("VXLogger_MainTimerTimer", [&] { VXLogger_MainTimerTimer(); }); });
    connect(VXFrequencyMeter_Timer, &QTimer::timeout, this,
            [this] { Guarded("VXFrequencyMeter_TimerTimer", [&] { VXFrequencyMeter_TimerTimer(); }); });
    connect(VXLogger_ValueTimer, &QTimer::timeout, this,
            [this] { Guarded("VXLogger_ValueTimerTimer", [&] { VXLogger_ValueTimerTimer(); }); });
}

void TTavik::ReportError(const char* place) {
    try {
        throw;
    } catch (const EAbort&) {
        // A silent abort says nothing.
    } catch (const ETavikError& error) {
        Options_.ShowError(ProgramTitle, ErrorBoxText(QString::fromUtf8(error.what())));
    } catch (const std::exception& error) {
        QString type = QString::fromLatin1(typeid(error).name());
#if defined(__GNUG__)
        int status = 0;
        char* demangled = abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status);
        if (status == 0 && demangled) type = QString::fromLatin1(demangled);
        std::free(demangled);
#endif
        Options_.ShowError(QStringLiteral("Application Error"),
                           QStringLiteral("Exception %1 in %2: %3").arg(type, QString::fromLatin1(place),
                                                                        QString::fromUtf8(error.what())));
    } catch (...) {
        Options_.ShowError(QStringLiteral("Application Error"),
                           QStringLiteral("Unknown exception in %1.").arg(QString::fromLatin1(place)));
    }
}

}  // namespace tavik
