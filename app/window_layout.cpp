#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <limits>

#include "colours.h"
#include "fonts.h"
#include "tavik_window.h"
#include "widget_text.h"

namespace tavik {

namespace {
constexpr int ComboItemHeight = 13;

template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height, const QFont& font) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    widget->setFont(font);
    return widget;
}

QChar GroupSeparatorOf(const QLocale& locale) {
    const QString group = locale.groupSeparator();
    return group.isEmpty() ? QChar(' ') : group[0];
}
}  // namespace

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
    VXLogger_VCH1 = label("VXLogger_VCH1", 542, 124, 108, 23, Utf8(Instruments.Logger.Acquisition.VCH1Text), reading);
    SetTextColour(VXLogger_VCH1, colours::Red);
    VXLogger_LevelEdit_CH1 = edit("VXLogger_LevelEdit_CH1", 675, 126, 44, 21, QStringLiteral("5,0"), plain);
    SetTextColour(VXLogger_LevelEdit_CH1, colours::White);
    SetBaseColour(VXLogger_LevelEdit_CH1, colours::Blue);
    VXLogger_LevelVolt_CH1 = label("VXLogger_LevelVolt_CH1", 723, 129, 9, 13, QStringLiteral("В"), plainBold);
    SetTextColour(VXLogger_LevelVolt_CH1, colours::Black);
    VXLogger_VCH2 = label("VXLogger_VCH2", 542, 152, 108, 23, Utf8(Instruments.Logger.Acquisition.VCH2Text), reading);
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

}  // namespace tavik
