#pragma once
// The program's one window: the logger area along the top, the generator at
// the bottom left and the frequency meter at the bottom right. It is a view
// over the instruments: each handler, run by a control, a timer or a device
// event on the GUI thread, moves values between the widgets and the core.
#include <QLocale>
#include <QWidget>

#include "chart_widget.h"
#include "common/local_time.h"
#include "device/hid_device_controller.h"
#include "error_box.h"
#include "instruments/instruments.h"
#include "loop/qt/qt_event_loop.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tavik {

struct TTavikOptions {
    QLocale Locale = QLocale::system();  // decimal separator of every number text
    TClock Clock = LocalTimeNow;
    std::string RecordDirectory;         // empty: the working directory
    TErrorPresenter ShowError = ShowErrorBox;
};

class TTavik : public QWidget {
    Q_OBJECT
    // First: the members below are built with them.
    TTavikOptions Options_;
    char Separator_;
    TQtEventLoop EventLoop_;

public:
    explicit TTavik(THidPlatform& platform, TTavikOptions options = {});
    ~TTavik() override;

    // Logger area.
    QLabel* VXLogger_Label;
    TChartWidget* VXLogger_OSC;
    QLabel* VXLogger_ControlLabel;
    QCheckBox* VXLogger_10bit;
    QCheckBox* VXLogger_8bit;
    QLabel* VXLogger_CSR;
    QCheckBox* VXLogger_Peak;
    QCheckBox* VXLogger_CH1;
    QCheckBox* VXLogger_CH2;
    QLabel* VXLogger_OutVoltLabel;
    QLabel* Label1;
    QLabel* VXLogger_VCH1;
    QLineEdit* VXLogger_LevelEdit_CH1;
    QLabel* VXLogger_LevelVolt_CH1;
    QLabel* VXLogger_VCH2;
    QLineEdit* VXLogger_LevelEdit_CH2;
    QLabel* VXLogger_LevelVolt_CH2;
    QLabel* VXLogger_CalibrLabel;
    QLineEdit* VXLogger_CalibrateEdit;
    QLabel* VXLogger_CalibrVolt;
    QPushButton* VXLogger_CalibrButton;
    QLabel* VXLogger_LoggerLabel;
    QPushButton* VXLogger_StartStop;
    QLabel* VXLogger_FileName;

    // Generator area.
    QLabel* VXGenerator_Label;
    QLabel* VXGenerator_SourceLabel;
    QLabel* VXGenerator_LevelLabel;
    QLabel* VXGenerator_FrequencyLabel;
    QLabel* VXGenerator_OUT1Label;
    QComboBox* VXGenerator_OUT1Type;
    QCheckBox* VXGenerator_OUT1Value;
    QComboBox* VXGenerator_OUT1Freq;
    QLabel* Label4;
    QLabel* VXGenerator_OUT2Label;
    QComboBox* VXGenerator_OUT2Type;
    QCheckBox* VXGenerator_OUT2Value;
    QComboBox* VXGenerator_OUT2Freq;
    QLabel* Label5;
    QLabel* VXGenerator_OUT3Label;
    QCheckBox* VXGenerator_OUT3Value;

    // Frequency meter area.
    QLabel* VXFrequencyMeter_Label;
    QLabel* VXFrequencyMeter_FreqLabel;
    QLineEdit* VXFrequencyMeter_FreqEdit;
    QRadioButton* VXFrequencyMeter_LAinRadioButton;
    QLabel* VXFrequencyMeter_CalibrateLabel;
    QLineEdit* VXFrequencyMeter_CalibrateEdit;
    QPushButton* VXFrequencyMeter_CalibrateButton;
    QLabel* VXFrequencyMeter_PromLabel;
    QLineEdit* VXFrequencyMeter_PromEdit;
    QLabel* VXFrequencyMeter_ResLabel;
    QLabel* VXFrequencyMeter_ResultLabel;

    // Service fields, never visible.
    QLineEdit* AddrEdit;
    QLineEdit* INDataEdit;
    QLineEdit* OutDataEdit;

    // Timers and the device controller.
    QTimer* VXLogger_MainTimer;
    QTimer* VXFrequencyMeter_Timer;
    QTimer* VXLogger_ValueTimer;
    THidDeviceController* HIDController;

    // The instruments the window shows.
    TInstruments Instruments;

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void OnUSBConnect(THidDevice& device);
    void OnUSBDisconnect(THidDevice& device);
    void VXLogger_MainTimerTimer();
    void VXLogger_ValueTimerTimer();
    void CheckBox_ControlClick(QCheckBox* sender, bool checked);
    void VXLogger_LevelEdit_Change(QLineEdit* sender);
    void VXLogger_CalibrateEditChange();
    void VXLogger_CalibrButtonClick();
    void VXLogger_StartStopClick();
    void VXFrequencyMeter_TimerTimer();
    void VXFrequencyMeter_CalibrateButtonClick();
    void VXFrequencyMeter_CalibrateEditChange();
    void VXFrequencyMeter_PromEditChange();
    void Generator_ControlClick(QObject* sender);
    void AddrEditChange();
    void OutDataEditChange();

    // Runs a handler; an error it lets escape is shown in the error box and
    // the program goes on.
    template <typename F>
    void Guarded(const char* place, F&& handler);

    // The position of the item the combo box's text stands for, or -1.
    static int SelectedIndex(const QComboBox* box);

private:
    void BuildLayout();
    void BindEvents();
    void SetTabOrder();
    void ReportError(const char* place);
    void ShowRecordState(bool healthy);
    void MirrorCsr(uint8_t moduleCsr);
    QCheckBox* SettingBox(logger::TSettingBox box) const;
};

template <typename F>
void TTavik::Guarded(const char* place, F&& handler) {
    try {
        handler();
    } catch (...) {
        ReportError(place);
    }
}

}  // namespace tavik
