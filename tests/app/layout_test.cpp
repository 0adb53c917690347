// The window as laid out: every control's place, size, text and visibility,
// the keyboard order, and the event rules the handlers rely on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;

struct TPlace {
    const char* Name;
    int Left, Top, Width, Height;
    const char* Text;
};

// Left, top, width and height as laid out; labels may grow to the right.
const TPlace Layout[] = {
    {"VXLogger_Label", 8, 8, 278, 16, "Самописец/вольтметр/осциллограф"},
    {"VXLogger_OSC", 8, 30, 512, 256, nullptr},
    {"VXLogger_ControlLabel", 532, 30, 71, 13, "Настройки"},
    {"VXLogger_10bit", 539, 49, 62, 17, "10bit"},
    {"VXLogger_8bit", 611, 49, 62, 17, "8bit"},
    {"VXLogger_CSR", 679, 51, 34, 13, "CSR = "},
    {"VXLogger_Peak", 539, 74, 62, 17, "Peak"},
    {"VXLogger_CH1", 611, 74, 46, 17, "CH1"},
    {"VXLogger_CH2", 679, 74, 46, 17, "CH2"},
    {"VXLogger_OutVoltLabel", 532, 101, 71, 13, "Вольтметр"},
    {"Label1", 674, 110, 44, 13, "Уровень"},
    {"VXLogger_VCH1", 542, 124, 108, 23, "V1 = 0.000 В"},
    {"VXLogger_LevelEdit_CH1", 675, 126, 44, 21, "5,0"},
    {"VXLogger_LevelVolt_CH1", 723, 129, 9, 13, "В"},
    {"VXLogger_VCH2", 542, 152, 108, 23, "V2 = 0.000 В"},
    {"VXLogger_LevelEdit_CH2", 675, 153, 44, 21, "2,5"},
    {"VXLogger_LevelVolt_CH2", 723, 157, 9, 13, "В"},
    {"VXLogger_CalibrLabel", 532, 189, 78, 13, "Калибровка"},
    {"VXLogger_CalibrateEdit", 576, 208, 44, 21, "5,0"},
    {"VXLogger_CalibrVolt", 624, 211, 9, 13, "В"},
    {"VXLogger_CalibrButton", 639, 208, 46, 20, "Calibr."},
    {"VXLogger_LoggerLabel", 532, 243, 73, 13, "Самописец"},
    {"VXLogger_StartStop", 539, 261, 75, 25, "Старт"},
    {"VXLogger_FileName", 629, 267, 38, 13, "noname"},
    {"VXGenerator_Label", 8, 297, 325, 16, "Генератор частоты/логический генератор"},
    {"VXGenerator_SourceLabel", 67, 319, 115, 13, "Источник сигнала"},
    {"VXGenerator_LevelLabel", 216, 319, 58, 13, "Уровень"},
    {"VXGenerator_FrequencyLabel", 325, 319, 56, 13, "Частота"},
    {"VXGenerator_OUT1Label", 8, 338, 48, 13, "Канал 1"},
    {"VXGenerator_OUT1Type", 81, 336, 83, 21, "генератор"},
    {"VXGenerator_OUT1Value", 185, 337, 115, 17, "0 - LOW, 1 - HIGH"},
    {"VXGenerator_OUT1Freq", 305, 335, 76, 21, "8,25E+6"},
    {"Label4", 389, 341, 15, 13, "Гц"},
    {"VXGenerator_OUT2Label", 8, 362, 48, 13, "Канал 2"},
    {"VXGenerator_OUT2Type", 81, 360, 83, 21, "генератор"},
    {"VXGenerator_OUT2Value", 185, 360, 115, 17, "0 - LOW, 1 - HIGH"},
    {"VXGenerator_OUT2Freq", 305, 360, 76, 21, "8,25E+6"},
    {"Label5", 389, 363, 15, 13, "Гц"},
    {"VXGenerator_OUT3Label", 8, 385, 48, 13, "Канал 3"},
    {"VXGenerator_OUT3Value", 185, 383, 115, 17, "0 - LOW, 1 - HIGH"},
    {"VXFrequencyMeter_Label", 438, 297, 225, 16, "Частотомер/цифровая шкала"},
    {"VXFrequencyMeter_FreqLabel", 442, 318, 72, 13, "Частота, Гц"},
    {"VXFrequencyMeter_FreqEdit", 592, 316, 95, 21, "0"},
    {"VXFrequencyMeter_LAinRadioButton", 700, 320, 40, 17, "IN"},
    {"VXFrequencyMeter_CalibrateLabel", 442, 342, 136, 13, "Эталонная частота, Гц"},
    {"VXFrequencyMeter_CalibrateEdit", 592, 339, 95, 21, "100000"},
    {"VXFrequencyMeter_CalibrateButton", 693, 340, 47, 20, "Calibr."},
    {"VXFrequencyMeter_PromLabel", 442, 365, 117, 13, "Промежуточная, Гц"},
    {"VXFrequencyMeter_PromEdit", 592, 361, 95, 21, "0"},
    {"VXFrequencyMeter_ResLabel", 442, 388, 62, 13, "Результат"},
    {"VXFrequencyMeter_ResultLabel", 595, 384, 40, 23, "0 Гц"},
    {"AddrEdit", 302, 387, 44, 21, "0"},
    {"INDataEdit", 350, 387, 47, 21, ""},
    {"OutDataEdit", 401, 387, 47, 21, "9"},
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText();
    return QString();
}

TEST(Layout, EveryControlStandsWhereTheLayoutPutsIt) {
    TWindowHarness h;
    for (const TPlace& place : Layout) {
        SCOPED_TRACE(place.Name);
        auto* widget = h.Window->findChild<QWidget*>(QString::fromLatin1(place.Name));
        ASSERT_NE(widget, nullptr);
        const QRect g = widget->geometry();
        EXPECT_EQ(g.left(), place.Left);
        EXPECT_EQ(g.top(), place.Top);
        EXPECT_EQ(g.height(), place.Height);
        if (qobject_cast<QLabel*>(widget))
            EXPECT_GE(g.width(), place.Width) << "a label grows to the right, never narrower than laid out";
        else
            EXPECT_EQ(g.width(), place.Width);
        if (place.Text) {
            EXPECT_EQ(TextOf(widget), QString::fromUtf8(place.Text));
        }
    }
}

TEST(Layout, WindowIsFixedSizeAtItsPlaceWithItsCaption) {
    TWindowHarness h;
    TTavik& w = *h.Window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Тавик"));
    EXPECT_EQ(w.size(), QSize(747, 415));
    EXPECT_EQ(w.minimumSize(), QSize(747, 415));
    EXPECT_EQ(w.maximumSize(), QSize(747, 415));
    EXPECT_EQ(w.pos(), QPoint(100, 100));
    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

TEST(Layout, ServiceFieldsAreNeverVisibleNorFocused) {
    TWindowHarness h;
    h.Window->show();
    for (QLineEdit* hidden : {h.Window->AddrEdit, h.Window->INDataEdit, h.Window->OutDataEdit}) {
        EXPECT_FALSE(hidden->isVisible());
        EXPECT_EQ(hidden->focusPolicy(), Qt::NoFocus);
    }
}

TEST(Layout, KeyboardOrderFollowsTheLayoutAndSkipsHiddenFields) {
    TWindowHarness h;
    TTavik& w = *h.Window;
    w.show();
    QApplication::setActiveWindow(&w);
    const QList<QWidget*> expected = {
        w.VXLogger_Peak, w.VXLogger_CH1, w.VXLogger_CH2, w.VXLogger_StartStop, w.VXGenerator_OUT1Value,
        w.VXGenerator_OUT2Value, w.VXGenerator_OUT3Value, w.VXGenerator_OUT1Freq, w.VXFrequencyMeter_FreqEdit,
        w.VXFrequencyMeter_PromEdit, w.VXFrequencyMeter_LAinRadioButton, w.VXFrequencyMeter_CalibrateEdit,
        w.VXFrequencyMeter_CalibrateButton, w.VXGenerator_OUT2Freq, w.VXLogger_CalibrateEdit,
        w.VXLogger_CalibrButton, w.VXLogger_OSC, w.VXGenerator_OUT1Type, w.VXGenerator_OUT2Type, w.VXLogger_10bit,
        w.VXLogger_8bit, w.VXLogger_LevelEdit_CH1, w.VXLogger_LevelEdit_CH2};
    for (int i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        // Skip what cannot take the focus (labels, hidden fields, inner parts).
        while (next && (!next->isVisible() || next->focusPolicy() == Qt::NoFocus || !(next->focusPolicy() & Qt::TabFocus) ||
                        next->parentWidget() != &w))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, expected[i + 1]) << "after " << expected[i]->objectName().toStdString();
    }
}

TEST(Layout, StartState) {
    TWindowHarness h;
    TTavik& w = *h.Window;
    for (QCheckBox* box : {w.VXLogger_10bit, w.VXLogger_8bit, w.VXLogger_Peak, w.VXLogger_CH1, w.VXLogger_CH2,
                           w.VXGenerator_OUT1Value, w.VXGenerator_OUT2Value, w.VXGenerator_OUT3Value})
        EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(w.VXFrequencyMeter_LAinRadioButton->isChecked());
    EXPECT_EQ(w.VXGenerator_OUT1Type->currentIndex(), 0);
    EXPECT_EQ(w.VXGenerator_OUT1Freq->currentIndex(), 0);
    EXPECT_EQ(w.VXGenerator_OUT2Freq->currentIndex(), 0);
    EXPECT_EQ(w.VXGenerator_OUT1Type->itemText(1), QStringLiteral("ПК"));
    EXPECT_FALSE(w.VXLogger_MainTimer->isActive());
    EXPECT_FALSE(w.VXFrequencyMeter_Timer->isActive());
    EXPECT_TRUE(w.VXLogger_ValueTimer->isActive());
    EXPECT_EQ(w.VXLogger_MainTimer->interval(), 50);
    EXPECT_EQ(w.VXFrequencyMeter_Timer->interval(), 250);
    EXPECT_EQ(w.VXLogger_ValueTimer->interval(), 500);
    for (QLabel* title : {w.VXLogger_Label, w.VXGenerator_Label, w.VXFrequencyMeter_Label})
        EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    for (QLineEdit* edit : w.findChildren<QLineEdit*>())
        if (edit->objectName().size() > 0) {
            EXPECT_GT(edit->maxLength(), 1000000) << "edits have no length limit";
        }
}

TEST(EventRules, CheckBoxesRunTheirHandlerOnlyWhenTheirStateChanges) {
    TWindowHarness h;
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    logger->Received.clear();
    h.Window->VXLogger_Peak->setChecked(false);  // already unchecked
    EXPECT_TRUE(logger->Received.empty());
    h.Window->VXLogger_Peak->setChecked(true);
    h.Window->VXLogger_Peak->setChecked(true);
    EXPECT_EQ(logger->Received.size(), 1u);
}

TEST(EventRules, ComboSelectionFromCodeRunsNothingAUserChoiceDoes) {
    TWindowHarness h;
    auto generator = h.PlugGenerator();
    h.ProcessEvents();
    h.Window->VXGenerator_OUT1Freq->setCurrentIndex(5);
    h.Window->VXGenerator_OUT2Type->setCurrentIndex(1);
    EXPECT_TRUE(generator->Received.empty());
    emit h.Window->VXGenerator_OUT1Freq->activated(5);  // as a user's choice delivers it
    EXPECT_EQ(generator->Received.size(), 1u);
}

TEST(EventRules, EditsRunTheirHandlerOnEveryChangeFromCodeToo) {
    TWindowHarness h;
    h.Window->VXFrequencyMeter_PromEdit->setText(QStringLiteral("abc"));
    EXPECT_EQ(h.Window->VXFrequencyMeter_PromEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    h.Window->VXFrequencyMeter_PromEdit->setText(QStringLiteral("12"));
    EXPECT_EQ(h.Window->VXFrequencyMeter_PromEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST(Layout, LabelsGrowToTheRightAndNeverWrap) {
    TWindowHarness h;
    QLabel* label = h.Window->VXFrequencyMeter_ResultLabel;
    const QPoint corner = label->pos();
    const int before = label->width();
    auto meter = h.PlugFrequencyMeter();
    meter->RawCount = 12345678;
    h.ProcessEvents();
    h.FrequencyMeterTicks(2);
    EXPECT_EQ(label->text(), QStringLiteral("12,35 МГц"));
    EXPECT_EQ(label->pos(), corner);
    EXPECT_GT(label->width(), before);
    EXPECT_FALSE(label->wordWrap());
    EXPECT_GE(label->width(), label->sizeHint().width());
}

}  // namespace
}  // namespace tavik
