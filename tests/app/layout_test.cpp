// The Qt window as laid out: every widget's place, size, text and visibility,
// the window's frame, the keyboard order, labels that grow, and typing into a
// combo box with no completion.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QTimer>

#include "tests/support/frames.h"
#include "tests/support/qt_window_harness.h"

namespace tavik {
namespace {

using test::TQtWindowHarness;
using I = TControlId;

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
    TQtWindowHarness h;
    for (const TPlace& place : Layout) {
        SCOPED_TRACE(place.Name);
        auto* widget = h.View.findChild<QWidget*>(QString::fromLatin1(place.Name));
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
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_GT(edit->maxLength(), 1000000) << "edits have no length limit";
        }
    }
    std::size_t widgets = 0;
    for (QWidget* child : h.View.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        widgets += !child->objectName().startsWith(QLatin1String("qt_"));
    EXPECT_EQ(widgets, std::size(Layout)) << "no widget beyond the layout's";
}

TEST(Layout, WindowIsFixedSizeAtItsPlaceWithItsCaptionAndFonts) {
    TQtWindowHarness h;
    const QWidget& w = h.View;
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
    const QFont title = h.Widget<QLabel>(I::VXLogger_Label)->font();
    EXPECT_EQ(title.pixelSize(), 15);
    EXPECT_TRUE(title.bold() && title.italic());
    const QFont reading = h.Widget<QLabel>(I::VXLogger_VCH1)->font();
    EXPECT_EQ(reading.family(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(reading.pixelSize(), 20);
    EXPECT_EQ(h.Widget<QLineEdit>(I::VXLogger_LevelEdit_CH1)->palette().color(QPalette::Base), QColor(0, 0, 255));
}

TEST(Layout, ServiceFieldsAreNeverVisibleNorFocused) {
    TQtWindowHarness h;
    h.View.show();
    for (I hidden : {I::AddrEdit, I::INDataEdit, I::OutDataEdit}) {
        EXPECT_FALSE(h.View.Widget(hidden)->isVisible());
        EXPECT_EQ(h.View.Widget(hidden)->focusPolicy(), Qt::NoFocus);
    }
}

TEST(Layout, KeyboardOrderFollowsTheLayoutAndSkipsHiddenFields) {
    TQtWindowHarness h;
    QWidget& w = h.View;
    w.show();
    QApplication::setActiveWindow(&w);
    QList<QWidget*> expected;
    for (I id : {I::VXLogger_Peak, I::VXLogger_CH1, I::VXLogger_CH2, I::VXLogger_StartStop, I::VXGenerator_OUT1Value,
                 I::VXGenerator_OUT2Value, I::VXGenerator_OUT3Value, I::VXGenerator_OUT1Freq, I::VXFrequencyMeter_FreqEdit,
                 I::VXFrequencyMeter_PromEdit, I::VXFrequencyMeter_LAinRadioButton, I::VXFrequencyMeter_CalibrateEdit,
                 I::VXFrequencyMeter_CalibrateButton, I::VXGenerator_OUT2Freq, I::VXLogger_CalibrateEdit,
                 I::VXLogger_CalibrButton, I::VXLogger_OSC, I::VXGenerator_OUT1Type, I::VXGenerator_OUT2Type,
                 I::VXLogger_10bit, I::VXLogger_8bit, I::VXLogger_LevelEdit_CH1, I::VXLogger_LevelEdit_CH2})
        expected << h.View.Widget(id);
    for (int i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        // Skip what cannot take the focus (labels, hidden fields, inner parts).
        while (next && (!next->isVisible() || next->focusPolicy() == Qt::NoFocus || !(next->focusPolicy() & Qt::TabFocus) ||
                        next->parentWidget() != &w))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, expected[i + 1]) << "after " << expected[i]->objectName().toStdString();
    }
}

TEST(Layout, LabelsGrowToTheRightAndNeverWrap) {
    TQtWindowHarness h;
    QLabel* label = h.Widget<QLabel>(I::VXFrequencyMeter_ResultLabel);
    const QPoint corner = label->pos();
    const int before = label->width();
    auto meter = h.PlugFrequencyMeter();
    meter->RawCount = 12345678;
    h.ProcessEvents();
    h.Window->VXFrequencyMeter_TimerTimer();
    h.Window->VXFrequencyMeter_TimerTimer();
    EXPECT_EQ(label->text(), QStringLiteral("12,35 МГц"));
    EXPECT_EQ(label->pos(), corner);
    EXPECT_GT(label->width(), before);
    EXPECT_FALSE(label->wordWrap());
    EXPECT_GE(label->width(), label->sizeHint().width());
}

TEST(ViewEvents, TypingALetterIntoASourceBoxCompletesNothing) {
    TQtWindowHarness h;
    auto generator = h.PlugGenerator();
    h.ProcessEvents();
    h.View.show();
    QApplication::setActiveWindow(&h.View);
    for (I id : {I::VXGenerator_OUT1Type, I::VXGenerator_OUT2Type, I::VXGenerator_OUT1Freq}) {
        auto* box = h.Widget<QComboBox>(id);
        box->setFocus();
        box->lineEdit()->selectAll();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(id == I::VXGenerator_OUT1Freq ? "8" : "г"));
        QCoreApplication::sendEvent(box->lineEdit(), &press);
        QCoreApplication::processEvents();
        EXPECT_EQ(box->currentText().size(), 1) << LayoutOf(id).Name << " shows only what was typed";
    }
    ASSERT_GE(generator->Received.size(), 1u);
    EXPECT_EQ(generator->Received[0][2] & 0x01, 0x01) << "\"г\" names no item: output 1 goes to the PC";
}

TEST(ViewEvents, UserActsReachTheHandlersAndProgramChangesRaiseNothingTwice) {
    TQtWindowHarness h;
    auto generator = h.PlugGenerator();
    h.ProcessEvents();
    h.Widget<QCheckBox>(I::VXGenerator_OUT3Value)->click();
    ASSERT_EQ(generator->Received.size(), 1u);
    EXPECT_EQ(test::Hex(generator->Received[0]), "02 01 10 00 00 00 00 EF");
    h.Widget<QLineEdit>(I::AddrEdit)->setText(QStringLiteral("$10"));  // a raw read, its answer set into INDataEdit
    ASSERT_EQ(generator->Received.size(), 2u);
    EXPECT_EQ(generator->Received[1][0], 3);
    auto* box = h.Widget<QComboBox>(I::VXGenerator_OUT2Freq);
    box->setCurrentIndex(7);  // as a choice from the list arrives
    EXPECT_EQ(generator->Received.size(), 3u);
    box->setCurrentIndex(7);
    EXPECT_EQ(generator->Received.size(), 3u) << "re-choosing the item shown is no change";
    // Typing an item's label sends its report; Return in the field sends no second one.
    box->lineEdit()->selectAll();
    box->lineEdit()->insert(box->itemText(9));
    const std::size_t typed = generator->Received.size();
    EXPECT_EQ(typed, 4u);
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(box->lineEdit(), &press);
    }
    EXPECT_EQ(generator->Received.size(), typed);
    EXPECT_EQ(box->currentText(), box->itemText(9));
}

TEST(ViewColours, NormalTextTakesTheThemesColour) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    {
        TQtWindowHarness h;
        QLineEdit* edit = h.Widget<QLineEdit>(I::VXFrequencyMeter_PromEdit);
        edit->setText(QStringLiteral("x"));
        EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
        edit->setText(QStringLiteral("1"));
        EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(230, 230, 230));
        EXPECT_EQ(h.Widget<QLineEdit>(I::VXLogger_LevelEdit_CH2)->palette().color(QPalette::Text), QColor(0, 0, 0))
            << "the level edits keep their own colours on their own fields";
    }
    QApplication::setPalette(saved);
}

}  // namespace
}  // namespace tavik
