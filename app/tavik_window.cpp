#include "tavik_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#if defined(__GNUG__)
#include <cxxabi.h>
#endif
#include <limits>
#include <typeinfo>

#include "device/errors.h"
#include "fonts.h"
#include "freqmeter/integer_text.h"
#include "logger/calibration_factor.h"
#include "logger/logger_protocol.h"
#include "logger/number_text.h"

namespace tavik {

namespace {
constexpr int ClientWidth = 747;
constexpr int ClientHeight = 415;
constexpr int WindowLeft = 100;
constexpr int WindowTop = 100;
constexpr int ComboItemHeight = 13;
constexpr double CalibrationMinimumVolts = 1.5;

void SetTextColour(QWidget* widget, const QColor& colour) {
    const QPalette& current = widget->palette();
    if (current.color(QPalette::WindowText) == colour && current.color(QPalette::Text) == colour &&
        current.color(QPalette::ButtonText) == colour)
        return;
    QPalette palette = current;
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void SetBaseColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height, const QFont& font) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    widget->setFont(font);
    return widget;
}

// A label keeps its top-left corner and takes the width of its text.
void SetLabelText(QLabel* label, const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    label->resize(label->sizeHint().width(), label->height());
}

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string Utf8(const QString& text) { return text.toStdString(); }

char SeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

QChar GroupSeparatorOf(const QLocale& locale) {
    const QString group = locale.groupSeparator();
    return group.isEmpty() ? QChar(' ') : group[0];
}
}  // namespace

TTavik::TTavik(THidPlatform& platform, TTavikOptions options)
    : QWidget(nullptr,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Options_(std::move(options)) {
    InstallFontSubstitutes();
    Separator_ = SeparatorOf(Options_.Locale);
    OUT1FreqTable = std::make_unique<generator::TFreqTable>();
    OUT2FreqTable = std::make_unique<generator::TFreqTable>();
    Generator = std::make_unique<generator::TGeneratorControl>(Binding.GeneratorPort, *OUT1FreqTable, *OUT2FreqTable);

    setObjectName(QStringLiteral("Tavik"));
    setWindowTitle(ProgramTitle);
    setFont(WindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Midlight));
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(ClientWidth, ClientHeight);
    move(WindowLeft, WindowTop);

    BuildLayout();
    SetTabOrder();

    VXLogger_MainTimer = new QTimer(this);
    VXLogger_MainTimer->setInterval(50);
    VXFrequencyMeter_Timer = new QTimer(this);
    VXFrequencyMeter_Timer->setInterval(250);
    VXLogger_ValueTimer = new QTimer(this);
    VXLogger_ValueTimer->setInterval(500);

    HIDController = new THidDeviceController(platform, this);
    HIDController->OnArrival = [this](THidDevice& device) { Guarded("OnUSBConnect", [&] { OnUSBConnect(device); }); };
    HIDController->OnRemoval = [this](THidDevice& device) {
        Guarded("OnUSBDisconnect", [&] { OnUSBDisconnect(device); });
    };
    Binding.LoggerHooks = {[this](bool bound) { SetTitleBound(VXLogger_Label, bound); },
                           [this] { Logger.ReadCalibrationFactors(); },
                           [this](bool on) { on ? VXLogger_MainTimer->start() : VXLogger_MainTimer->stop(); }};
    Binding.GeneratorHooks = {[this](bool bound) { SetTitleBound(VXGenerator_Label, bound); }, nullptr, nullptr};
    Binding.FrequencyMeterHooks = {
        [this](bool bound) { SetTitleBound(VXFrequencyMeter_Label, bound); },
        [this] { FrequencyMeter.ReadFrequencyCalibration(); },
        [this](bool on) { on ? VXFrequencyMeter_Timer->start() : VXFrequencyMeter_Timer->stop(); }};

    // The layout's texts are in place before any handler is bound, so creating
    // the window raises none.
    BindEvents();
    VXLogger_ValueTimer->start();
    FormCreate();
}

TTavik::~TTavik() {
    FormDestroy();
    VXLogger_MainTimer->stop();
    VXFrequencyMeter_Timer->stop();
    VXLogger_ValueTimer->stop();
    // The controller releases its devices without announcing their removal.
    delete HIDController;
    HIDController = nullptr;
}

void TTavik::BuildLayout() {
    const QFont window = WindowFont();
    const QFont title = TitleFont();
    const QFont section = SectionFont();
    const QFont caption = CaptionFont();
    const QFont reading = ReadingFont();

    auto label = [this](const char* name, int l, int t, int w, int h, const QString& text, const QFont& font) {
        QLabel* created = Place(new QLabel(text, this), name, l, t, w, h, font);
        created->setWordWrap(false);
        created->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        created->setContentsMargins(0, 0, 0, 0);
        created->setMargin(0);
        // Liberation's faces run a little wider than the layout's: a label
        // grows to the right rather than cut its text.
        created->resize(std::max(w, created->sizeHint().width()), h);
        return created;
    };
    auto edit = [this](const char* name, int l, int t, int w, int h, const QString& text, const QFont& font) {
        QLineEdit* created = Place(new QLineEdit(text, this), name, l, t, w, h, font);
        created->setAlignment(Qt::AlignLeft);
        created->setMaxLength(std::numeric_limits<int>::max());  // edits have no length limit
        return created;
    };
    auto check = [this](const char* name, int l, int t, int w, int h, const QString& text, const QFont& font) {
        return Place(new QCheckBox(text, this), name, l, t, w, h, font);
    };
    auto button = [this](const char* name, int l, int t, int w, int h, const QString& text, const QFont& font) {
        return Place(new QPushButton(text, this), name, l, t, w, h, font);
    };
    auto combo = [this](const char* name, int l, int t, int w, int h, const QString& text, const QFont& font) {
        QComboBox* created = Place(new QComboBox(this), name, l, t, w, h, font);
        created->setEditable(true);
        created->setInsertPolicy(QComboBox::NoInsert);
        created->setEditText(text);
        return created;
    };
    auto titleLabel = [&](const char* name, int l, int t, int w, const QString& text) {
        QLabel* created = label(name, l, t, w, 16, text, title);
        SetTextColour(created, colours::Red);
        return created;
    };
    QFont plain = window;
    QFont plainBold = caption;

    // Logger area.
    VXLogger_Label = titleLabel("VXLogger_Label", 8, 8, 278, QStringLiteral("Самописец/вольтметр/осциллограф"));
    VXLogger_OSC = Place(new TChartWidget(QLatin1Char(Separator_), GroupSeparatorOf(Options_.Locale), this),
                         "VXLogger_OSC", 8, 30, 512, 256, window);
    VXLogger_ControlLabel = label("VXLogger_ControlLabel", 532, 30, 71, 13, QStringLiteral("Настройки"), section);
    VXLogger_10bit = check("VXLogger_10bit", 539, 49, 62, 17, QStringLiteral("10bit"), window);
    VXLogger_8bit = check("VXLogger_8bit", 611, 49, 62, 17, QStringLiteral("8bit"), window);
    VXLogger_CSR = label("VXLogger_CSR", 679, 51, 34, 13, QStringLiteral("CSR = "), window);
    VXLogger_Peak = check("VXLogger_Peak", 539, 74, 62, 17, QStringLiteral("Peak"), window);
    VXLogger_CH1 = check("VXLogger_CH1", 611, 74, 46, 17, QStringLiteral("CH1"), window);
    VXLogger_CH2 = check("VXLogger_CH2", 679, 74, 46, 17, QStringLiteral("CH2"), window);
    VXLogger_OutVoltLabel = label("VXLogger_OutVoltLabel", 532, 101, 71, 13, QStringLiteral("Вольтметр"), section);
    Label1 = label("Label1", 674, 110, 44, 13, QStringLiteral("Уровень"), plain);
    VXLogger_VCH1 = label("VXLogger_VCH1", 542, 124, 108, 23, Utf8(Acquisition.VCH1Text), reading);
    SetTextColour(VXLogger_VCH1, colours::Red);
    VXLogger_LevelEdit_CH1 = edit("VXLogger_LevelEdit_CH1", 675, 126, 44, 21, QStringLiteral("5,0"), plain);
    SetTextColour(VXLogger_LevelEdit_CH1, colours::White);
    SetBaseColour(VXLogger_LevelEdit_CH1, colours::Blue);
    VXLogger_LevelVolt_CH1 = label("VXLogger_LevelVolt_CH1", 723, 129, 9, 13, QStringLiteral("В"), plainBold);
    SetTextColour(VXLogger_LevelVolt_CH1, colours::Black);
    VXLogger_VCH2 = label("VXLogger_VCH2", 542, 152, 108, 23, Utf8(Acquisition.VCH2Text), reading);
    SetTextColour(VXLogger_VCH2, colours::Lime);
    VXLogger_LevelEdit_CH2 = edit("VXLogger_LevelEdit_CH2", 675, 153, 44, 21, QStringLiteral("2,5"), window);
    SetTextColour(VXLogger_LevelEdit_CH2, colours::Black);
    SetBaseColour(VXLogger_LevelEdit_CH2, colours::Yellow);
    VXLogger_LevelVolt_CH2 = label("VXLogger_LevelVolt_CH2", 723, 157, 9, 13, QStringLiteral("В"), plainBold);
    SetTextColour(VXLogger_LevelVolt_CH2, colours::Black);
    VXLogger_CalibrLabel = label("VXLogger_CalibrLabel", 532, 189, 78, 13, QStringLiteral("Калибровка"), section);
    VXLogger_CalibrateEdit = edit("VXLogger_CalibrateEdit", 576, 208, 44, 21, QStringLiteral("5,0"), window);
    VXLogger_CalibrVolt = label("VXLogger_CalibrVolt", 624, 211, 9, 13, QStringLiteral("В"), caption);
    VXLogger_CalibrButton = button("VXLogger_CalibrButton", 639, 208, 46, 20, QStringLiteral("Calibr."), window);
    VXLogger_LoggerLabel = label("VXLogger_LoggerLabel", 532, 243, 73, 13, QStringLiteral("Самописец"), section);
    VXLogger_StartStop = button("VXLogger_StartStop", 539, 261, 75, 25, QStringLiteral("Старт"), window);
    VXLogger_FileName = label("VXLogger_FileName", 629, 267, 38, 13, QStringLiteral("noname"), window);
    for (QLabel* reading : {VXLogger_VCH1, VXLogger_VCH2}) reading->setAutoFillBackground(true);

    // Generator area.
    VXGenerator_Label = titleLabel("VXGenerator_Label", 8, 297, 325, QStringLiteral("Генератор частоты/логический генератор"));
    VXGenerator_SourceLabel = label("VXGenerator_SourceLabel", 67, 319, 115, 13, QStringLiteral("Источник сигнала"), section);
    VXGenerator_LevelLabel = label("VXGenerator_LevelLabel", 216, 319, 58, 13, QStringLiteral("Уровень"), section);
    VXGenerator_FrequencyLabel = label("VXGenerator_FrequencyLabel", 325, 319, 56, 13, QStringLiteral("Частота"), section);
    const QStringList sources = {QStringLiteral("генератор"), QStringLiteral("ПК")};
    const QString level = QStringLiteral("0 - LOW, 1 - HIGH");
    VXGenerator_OUT1Label = label("VXGenerator_OUT1Label", 8, 338, 48, 13, QStringLiteral("Канал 1"), caption);
    VXGenerator_OUT1Type = combo("VXGenerator_OUT1Type", 81, 336, 83, 21, sources[0], window);
    VXGenerator_OUT1Value = check("VXGenerator_OUT1Value", 185, 337, 115, 17, level, window);
    VXGenerator_OUT1Freq = combo("VXGenerator_OUT1Freq", 305, 335, 76, 21, QStringLiteral("0 Hz"), window);
    Label4 = label("Label4", 389, 341, 15, 13, QStringLiteral("Гц"), caption);
    VXGenerator_OUT2Label = label("VXGenerator_OUT2Label", 8, 362, 48, 13, QStringLiteral("Канал 2"), caption);
    VXGenerator_OUT2Type = combo("VXGenerator_OUT2Type", 81, 360, 83, 21, sources[0], window);
    VXGenerator_OUT2Value = check("VXGenerator_OUT2Value", 185, 360, 115, 17, level, window);
    VXGenerator_OUT2Freq = combo("VXGenerator_OUT2Freq", 305, 360, 76, 21, QStringLiteral("0 Hz"), window);
    Label5 = label("Label5", 389, 363, 15, 13, QStringLiteral("Гц"), caption);
    VXGenerator_OUT3Label = label("VXGenerator_OUT3Label", 8, 385, 48, 13, QStringLiteral("Канал 3"), caption);
    VXGenerator_OUT3Value = check("VXGenerator_OUT3Value", 185, 383, 115, 17, level, window);
    for (QComboBox* type : {VXGenerator_OUT1Type, VXGenerator_OUT2Type}) {
        type->addItems(sources);
        type->setCurrentIndex(0);
    }
    for (QComboBox* box : {VXGenerator_OUT1Type, VXGenerator_OUT2Type, VXGenerator_OUT1Freq, VXGenerator_OUT2Freq})
        box->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView::item { min-height: %1px; }").arg(ComboItemHeight));

    // Frequency meter area.
    VXFrequencyMeter_Label = titleLabel("VXFrequencyMeter_Label", 438, 297, 225, QStringLiteral("Частотомер/цифровая шкала"));
    VXFrequencyMeter_FreqLabel = label("VXFrequencyMeter_FreqLabel", 442, 318, 72, 13, QStringLiteral("Частота, Гц"), caption);
    VXFrequencyMeter_FreqEdit = edit("VXFrequencyMeter_FreqEdit", 592, 316, 95, 21, QStringLiteral("0"), window);
    VXFrequencyMeter_LAinRadioButton =
        Place(new QRadioButton(QStringLiteral("IN"), this), "VXFrequencyMeter_LAinRadioButton", 700, 320, 40, 17, window);
    VXFrequencyMeter_CalibrateLabel =
        label("VXFrequencyMeter_CalibrateLabel", 442, 342, 136, 13, QStringLiteral("Эталонная частота, Гц"), caption);
    VXFrequencyMeter_CalibrateEdit = edit("VXFrequencyMeter_CalibrateEdit", 592, 339, 95, 21, QStringLiteral("100000"), window);
    VXFrequencyMeter_CalibrateButton =
        button("VXFrequencyMeter_CalibrateButton", 693, 340, 47, 20, QStringLiteral("Calibr."), window);
    VXFrequencyMeter_PromLabel = label("VXFrequencyMeter_PromLabel", 442, 365, 117, 13, QStringLiteral("Промежуточная, Гц"), caption);
    VXFrequencyMeter_PromEdit = edit("VXFrequencyMeter_PromEdit", 592, 361, 95, 21, QStringLiteral("0"), window);
    VXFrequencyMeter_ResLabel = label("VXFrequencyMeter_ResLabel", 442, 388, 62, 13, QStringLiteral("Результат"), caption);
    VXFrequencyMeter_ResultLabel = label("VXFrequencyMeter_ResultLabel", 595, 384, 40, 23, QStringLiteral("0 Гц"), reading);
    SetTextColour(VXFrequencyMeter_ResultLabel, colours::Green);
    VXFrequencyMeter_ResultLabel->setAutoFillBackground(true);

    // Service fields: never shown, never focused.
    AddrEdit = edit("AddrEdit", 302, 387, 44, 21, QStringLiteral("0"), window);
    INDataEdit = edit("INDataEdit", 350, 387, 47, 21, QString(), window);
    OutDataEdit = edit("OutDataEdit", 401, 387, 47, 21, QStringLiteral("9"), window);
    for (QLineEdit* hidden : {AddrEdit, INDataEdit, OutDataEdit}) {
        hidden->setVisible(false);
        hidden->setFocusPolicy(Qt::NoFocus);
    }
}

void TTavik::SetTabOrder() {
    const QList<QWidget*> order = {
        VXLogger_Peak,          VXLogger_CH1,          VXLogger_CH2,
        VXLogger_StartStop,     AddrEdit,              OutDataEdit,
        INDataEdit,             VXGenerator_OUT1Value, VXGenerator_OUT2Value,
        VXGenerator_OUT3Value,  VXGenerator_OUT1Freq,  VXFrequencyMeter_FreqEdit,
        VXFrequencyMeter_PromEdit, VXFrequencyMeter_LAinRadioButton, VXFrequencyMeter_CalibrateEdit,
        VXFrequencyMeter_CalibrateButton, VXGenerator_OUT2Freq, VXLogger_CalibrateEdit,
        VXLogger_CalibrButton,  VXLogger_OSC,          VXGenerator_OUT1Type,
        VXGenerator_OUT2Type,   VXLogger_10bit,        VXLogger_8bit,
        VXLogger_LevelEdit_CH1, VXLogger_LevelEdit_CH2};
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

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

void TTavik::SetTitleBound(QLabel* title, bool bound) { SetTextColour(title, bound ? colours::Green : colours::Red); }

int TTavik::SelectedIndex(const QComboBox* box) {
    const QString text = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == text) return current;
    return box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// ---- Start-up and shutdown ----

void TTavik::FormCreate() {
    const std::size_t out1 = generator::BuildFrequencyTable(generator::OUT1Groups(), *OUT1FreqTable, Separator_);
    QStringList labels;
    for (std::size_t i = 0; i < out1; ++i) labels << Utf8((*OUT1FreqTable)[i].Text);
    VXGenerator_OUT1Freq->addItems(labels);
    const std::size_t out2 = generator::BuildFrequencyTable(generator::OUT2Groups(), *OUT2FreqTable, Separator_);
    labels.clear();
    for (std::size_t i = 0; i < out2; ++i) labels << Utf8((*OUT2FreqTable)[i].Text);
    VXGenerator_OUT2Freq->addItems(labels);
    VXGenerator_OUT1Freq->setCurrentIndex(0);
    VXGenerator_OUT2Freq->setCurrentIndex(0);
    Acquisition.ClearHistory();
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH1);
    VXLogger_LevelEdit_Change(VXLogger_LevelEdit_CH2);
}

void TTavik::FormDestroy() { RecordFile.Close(); }

// ---- Instrument binding ----

void TTavik::OnUSBConnect(THidDevice& device) { Binding.OnUSBConnect(device); }

void TTavik::OnUSBDisconnect(THidDevice& device) { Binding.OnUSBDisconnect(device); }

// ---- Logger: acquisition cycle ----

void TTavik::MirrorCsr(uint8_t moduleCsr) {
    // Each box whose state changes runs its click handler, in this order.
    if (moduleCsr & logger::Csr8Bit) {
        VXLogger_10bit->setChecked(false);
        VXLogger_8bit->setChecked(true);
    } else {
        VXLogger_10bit->setChecked(true);
        VXLogger_8bit->setChecked(false);
    }
    VXLogger_Peak->setChecked((moduleCsr & logger::CsrPeak) != 0);
    if (moduleCsr & logger::CsrChannel2) {
        VXLogger_CH1->setChecked(false);
        VXLogger_CH2->setChecked(true);
    } else {
        VXLogger_CH1->setChecked(true);
        VXLogger_CH2->setChecked(false);
    }
}

void TTavik::VXLogger_MainTimerTimer() {
    if (!Binding.LoggerPresent()) return;
    if (!Logger.ReadMeasurement()) return;
    if (Logger.MeasurementBuffer[0] != MeasurementReportKind) {
        Logger.RequestMeasurement();
        return;
    }
    const TFrame report = Logger.MeasurementBuffer;
    SetLabelText(VXLogger_CSR, QStringLiteral("CSR = %1").arg(Logger.Csr()));
    MirrorCsr(report[2]);
    const TLocalTime now = Options_.Clock();
    const bool recording = RecordFile.IsOpen();
    if (recording) RecordFile.WriteTimestamp(now);
    logger::TRecordFields fields;
    if (logger::CarriesSamples(report[2])) {
        TChartWidget& chart = *VXLogger_OSC;
        if (chart.PointCount(chart.SeriesAt(0)) == ChartPointsAcross) {
            chart.ClearPoints(chart.SeriesAt(0));
            chart.ClearPoints(chart.SeriesAt(1));
        }
        const logger::TTracePoints points =
            Acquisition.Process(report, Logger.CalFactor1, Logger.CalFactor2, Separator_, recording ? &fields : nullptr);
        chart.AppendPoint(chart.SeriesAt(1), points.Series1[0]);
        chart.AppendPoint(chart.SeriesAt(1), points.Series1[1]);
        chart.AppendPoint(chart.SeriesAt(0), points.Series2[0]);
        chart.AppendPoint(chart.SeriesAt(0), points.Series2[1]);
    }
    if (recording) {
        const bool healthy = RecordFile.WriteFieldsAndEnd(fields.Text, fields.Length);
        ShowRecordState(healthy);
    }
}

void TTavik::VXLogger_ValueTimerTimer() {
    SetLabelText(VXLogger_VCH1, Utf8(Acquisition.VCH1Text));
    SetLabelText(VXLogger_VCH2, Utf8(Acquisition.VCH2Text));
}

// ---- Logger: settings and calibration ----

void TTavik::CheckBox_ControlClick(QCheckBox* sender, bool checked) {
    if (!Binding.LoggerPresent()) return;
    uint8_t csr = Logger.Csr();
    auto setBit = [&csr](uint8_t bit, bool on) { csr = on ? static_cast<uint8_t>(csr | bit) : static_cast<uint8_t>(csr & ~bit); };
    if (sender == VXLogger_10bit)
        setBit(logger::Csr8Bit, !checked);
    else if (sender == VXLogger_8bit)
        setBit(logger::Csr8Bit, checked);
    else if (sender == VXLogger_Peak)
        setBit(logger::CsrPeak, checked);
    else if (sender == VXLogger_CH1)
        setBit(logger::CsrChannel2, !checked);
    else if (sender == VXLogger_CH2)
        setBit(logger::CsrChannel2, checked);
    Logger.SetCsr(csr);
    Logger.SendControl();
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
    SetTextColour(VXLogger_CalibrateEdit, valid ? colours::Black : colours::Red);
}

void TTavik::VXLogger_CalibrButtonClick() {
    const std::optional<float> reference = ParseLocaleFloat(Utf8(VXLogger_CalibrateEdit->text()), Separator_);
    if (!reference) {
        SetTextColour(VXLogger_CalibrateEdit, colours::Red);
        return;
    }
    SetTextColour(VXLogger_CalibrateEdit, colours::Black);
    const float r = *reference;
    auto calibrate = [&](int channel, float average) {
        if (average < CalibrationMinimumVolts || r < CalibrationMinimumVolts) return;
        const auto factor = static_cast<float>(static_cast<double>(r) / average);
        if (InFactorRange(factor) && Binding.LoggerPresent()) Logger.WriteCalibrationFactor(channel, factor);
    };
    calibrate(1, Acquisition.V1Avg);
    calibrate(2, Acquisition.V2Avg);
    Logger.ReadCalibrationFactors();
}

// ---- Logger: recording ----

void TTavik::ShowRecordState(bool healthy) { SetTextColour(VXLogger_FileName, healthy ? colours::Green : colours::Red); }

void TTavik::VXLogger_StartStopClick() {
    const TLocalTime now = Options_.Clock();
    if (RecordFile.IsOpen()) {
        RecordFile.Close();
        SetTextColour(VXLogger_FileName, colours::Red);
        VXLogger_StartStop->setText(QStringLiteral("Старт"));
        return;
    }
    const std::string name = logger::RecordFileName(now);
    SetLabelText(VXLogger_FileName, Utf8(name));
    const std::string created = RecordFile.Create(Options_.RecordDirectory, name);
    if (created.empty()) {
        SetTextColour(VXLogger_FileName, colours::Red);
        VXLogger_StartStop->setText(QStringLiteral("Старт"));
        return;
    }
    SetLabelText(VXLogger_FileName, Utf8(created));
    SetTextColour(VXLogger_FileName, colours::Green);
    VXLogger_StartStop->setText(QStringLiteral("Стоп"));
}

// ---- Frequency meter ----

void TTavik::VXFrequencyMeter_TimerTimer() {
    const std::optional<freqmeter::TReading> reading =
        FrequencyMeter.Cycle(Utf8(VXFrequencyMeter_PromEdit->text()), Separator_);
    if (!reading) return;
    VXFrequencyMeter_FreqEdit->setText(Utf8(reading->FrequencyText));
    SetTextColour(VXFrequencyMeter_PromEdit, reading->PromValid ? colours::Black : colours::Red);
    SetLabelText(VXFrequencyMeter_ResultLabel, Utf8(reading->ResultText));
    VXFrequencyMeter_LAinRadioButton->setChecked(reading->InputIn);
}

void TTavik::VXFrequencyMeter_CalibrateButtonClick() {
    const std::optional<int32_t> reference = ParseInteger(Utf8(VXFrequencyMeter_CalibrateEdit->text()));
    if (!reference) {
        SetTextColour(VXFrequencyMeter_CalibrateEdit, colours::Red);
        return;
    }
    SetTextColour(VXFrequencyMeter_CalibrateEdit, colours::Black);
    FrequencyMeter.Calibrate(*reference);
}

void TTavik::VXFrequencyMeter_CalibrateEditChange() {
    const bool valid = ParseInteger(Utf8(VXFrequencyMeter_CalibrateEdit->text())).has_value();
    SetTextColour(VXFrequencyMeter_CalibrateEdit, valid ? colours::Black : colours::Red);
}

void TTavik::VXFrequencyMeter_PromEditChange() {
    const bool valid = ParseInteger(Utf8(VXFrequencyMeter_PromEdit->text())).has_value();
    SetTextColour(VXFrequencyMeter_PromEdit, valid ? colours::Black : colours::Red);
}

// ---- Generator ----

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
    Generator->ControlChanged(control, state);
}

void TTavik::AddrEditChange() {
    const std::optional<uint8_t> value = Generator->RawRead(Utf8(AddrEdit->text()));
    if (value) INDataEdit->setText(QString::number(*value));
}

void TTavik::OutDataEditChange() { Generator->RawWrite(Utf8(AddrEdit->text()), Utf8(OutDataEdit->text())); }

}  // namespace tavik
