// The logger area: what only the window does with the logger's cycle — the
// voltmeter labels, the chart's traces, the settings boxes that mirror the
// module, the edits' colours and the recording's name and button.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "instruments/logger/logger_protocol.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;
namespace fs = std::filesystem;

class LoggerArea : public test::TBoundLoggerTest<QLocale::C> {
protected:
    int Points(int position) { return W.VXLogger_OSC->PointCount(W.VXLogger_OSC->SeriesAt(position)); }
};

TEST_F(LoggerArea, TheVoltmeterLabelsFollowTheValueTimer) {
    Logger->Csr = logger::Csr8Bit;
    Logger->FixedSamples = std::array<uint8_t, 4>{128, 128, 0, 0};
    H.LoggerTicks(5);
    EXPECT_EQ(W.VXLogger_VCH1->text(), QStringLiteral("V1 = 0.000 В")) << "labels wait for the value timer";
    W.VXLogger_ValueTimerTimer();
    EXPECT_EQ(W.VXLogger_VCH1->text(), QStringLiteral("V1 = 3.77 В"));
    EXPECT_EQ(W.VXLogger_VCH2->text(), QStringLiteral("V2 = 0.00 В"));
}

TEST_F(LoggerArea, ChannelOneIsTheSecondSeriesAndChannelTwoTheFirst) {
    Logger->Csr = logger::CsrPeak | logger::CsrChannel2;
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};  // 512 and 256
    H.LoggerTicks(1);
    const auto& channel1 = W.VXLogger_OSC->SeriesAt(1).Points;
    const auto& channel2 = W.VXLogger_OSC->SeriesAt(0).Points;
    ASSERT_EQ(channel1.size(), 2u);
    EXPECT_EQ(channel1[0].y(), 0.0);
    EXPECT_EQ(channel1[1].y(), 0.0);
    EXPECT_DOUBLE_EQ(channel2[0].y(), 3.76575f);
    EXPECT_DOUBLE_EQ(channel2[1].y(), 1.882875f);
}

TEST_F(LoggerArea, TheSweepRestartsAfter256Reports) {
    Logger->Channel1 = {sim::TSignal::TShape::Ramp, 0.5, 7.0, 100};
    for (int i = 0; i < 255; ++i) H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 510);
    EXPECT_EQ(Points(1), 510);
    H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 512);
    EXPECT_EQ(Points(1), 512);
    H.LoggerTicks(1);
    EXPECT_EQ(Points(0), 2);
    EXPECT_EQ(Points(1), 2);
    EXPECT_EQ(W.VXLogger_OSC->SeriesAt(1).Points[0].x(), 0);
    EXPECT_EQ(W.VXLogger_OSC->SeriesAt(1).Points[1].x(), 1);
}

TEST_F(LoggerArea, ReportsWithoutSamplesLeaveTracesAndTextsAlone) {
    Logger->Csr = 0x06;
    Logger->SamplesReady = false;
    H.LoggerTicks(3);
    EXPECT_EQ(Points(0), 0);
    EXPECT_EQ(W.Instruments.Logger.Acquisition.VCH1Text, "V1 = 0.000 В");
    EXPECT_TRUE(W.VXLogger_8bit->isChecked());
    EXPECT_TRUE(W.VXLogger_Peak->isChecked());
    EXPECT_TRUE(W.VXLogger_CH1->isChecked());
    EXPECT_FALSE(W.VXLogger_10bit->isChecked());
    // One SetControl for each box that changed: 8bit, Peak, CH1.
    EXPECT_EQ(Logger->ReceivedWithCode(2).size(), 3u);
    EXPECT_TRUE(Logger->ReceivedWithCode(1).empty());
}

TEST_F(LoggerArea, TheCsrLabelShowsTheProgramsCopyFromBeforeTheMirroring) {
    Logger->Csr = 0x07;  // 8 bit, peak, channel 2
    H.LoggerTicks(1);
    EXPECT_EQ(W.VXLogger_CSR->text(), QStringLiteral("CSR = 0"));
    H.LoggerTicks(1);
    EXPECT_EQ(W.VXLogger_CSR->text(), QStringLiteral("CSR = 7"));
    EXPECT_EQ(W.Instruments.Logger.Csr(), 0x07);
}

TEST_F(LoggerArea, MirroringSendsOneSetControlPerChangedBoxInOrder) {
    Logger->Csr = 0x07;
    H.LoggerTicks(1);
    const auto controls = Logger->ReceivedWithCode(2);
    // 8bit checked (bit 1), Peak checked (bit 2), CH2 checked (bit 0); CH1 and
    // 10bit were already unchecked.
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0][2], 0x02);
    EXPECT_EQ(controls[1][2], 0x06);
    EXPECT_EQ(controls[2][2], 0x07);
    EXPECT_EQ(test::Hex(controls[2]), test::Hex([&] {
                  TFrame f = test::Frame({2, controls[2][1], 0x07, 0, 0, 0, 0, 0});
                  SealCommand(f);
                  return f;
              }()));
}

TEST_F(LoggerArea, CheckingEightBitThenTheModuleFollowing) {
    W.VXLogger_10bit->setChecked(true);
    Logger->Received.clear();
    W.VXLogger_8bit->setChecked(true);
    ASSERT_EQ(Logger->Received.size(), 1u);
    EXPECT_EQ(Logger->Received[0][2], 0x02);
    EXPECT_TRUE(W.VXLogger_10bit->isChecked()) << "the partner box is left to the module";
    Logger->Received.clear();
    H.LoggerTicks(1);  // the module now reports 8-bit mode
    EXPECT_FALSE(W.VXLogger_10bit->isChecked());
    const auto controls = Logger->ReceivedWithCode(2);
    ASSERT_GE(controls.size(), 1u);
    EXPECT_EQ(controls[0][2], 0x02) << "the same CSR byte once more";
}

TEST_F(LoggerArea, ChangesWhileUnboundSendNothingAndKeepTheCopy) {
    H.Platform.UnplugAll();
    H.Notify();
    const uint8_t sequence = W.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence;
    W.VXLogger_Peak->setChecked(true);
    EXPECT_EQ(W.Instruments.Logger.Csr(), 0);
    EXPECT_EQ(W.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence, sequence);
    // The module comes back reporting peak mode: the box already shows it, so
    // nothing changes and the copy keeps its old bit.
    auto again = H.PlugLogger();
    again->Csr = logger::CsrPeak;
    H.Notify();
    W.Instruments.Logger.RequestMeasurement();
    again->Received.clear();
    H.LoggerTicks(1);
    EXPECT_EQ(W.Instruments.Logger.Csr() & logger::CsrPeak, 0);
    W.VXLogger_8bit->setChecked(!W.VXLogger_8bit->isChecked());
    EXPECT_EQ(again->Received.back()[2] & logger::CsrPeak, 0) << "the next SetControl sends the old bit";
}

TEST_F(LoggerArea, AnInvalidReferenceTurnsRedAndSendsNothing) {
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("5.0 В"));
    EXPECT_EQ(W.VXLogger_CalibrateEdit->palette().color(QPalette::Text), QColor(255, 0, 0));
    W.VXLogger_CalibrButtonClick();
    EXPECT_TRUE(Logger->Received.empty());
    W.VXLogger_CalibrateEdit->setText(QStringLiteral("4.75"));
    EXPECT_EQ(W.VXLogger_CalibrateEdit->palette().color(QPalette::Text), QColor(0, 0, 0));
}

class RecordingArea : public test::TBoundLoggerTest<QLocale::Russian> {
protected:
    void Report(uint8_t csr, std::array<uint8_t, 4> samples) {
        Logger->Csr = csr;
        Logger->FixedSamples = samples;
        H.LoggerTicks(1);
    }
    std::string Content() {
        const auto files = H.RecordFiles();
        return files.empty() ? std::string() : TWindowHarness::ReadFile(files.back());
    }
};

TEST_F(RecordingArea, StartNamesTheFileAndStopClosesIt) {
    W.VXLogger_StartStopClick();
    EXPECT_EQ(W.VXLogger_FileName->text(), QStringLiteral("06122026232415.csv"));
    EXPECT_EQ(W.VXLogger_FileName->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(W.VXLogger_StartStop->text(), QStringLiteral("Стоп"));
    ASSERT_EQ(H.RecordFiles().size(), 1u);
    EXPECT_EQ(H.RecordFiles()[0].filename(), "06122026232415.csv");
    W.VXLogger_StartStopClick();
    EXPECT_EQ(W.VXLogger_FileName->text(), QStringLiteral("06122026232415.csv"));
    EXPECT_EQ(W.VXLogger_FileName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(W.VXLogger_StartStop->text(), QStringLiteral("Старт"));
}

TEST_F(RecordingArea, AFileThatCannotBeCreatedLeavesRecordingOff) {
    TWindowHarness h;
    fs::remove_all(h.Folder);  // the folder is gone
    h.Window->VXLogger_StartStopClick();
    EXPECT_EQ(h.Window->VXLogger_StartStop->text(), QStringLiteral("Старт"));
    EXPECT_EQ(h.Window->VXLogger_FileName->text(), QStringLiteral("06122026232415.csv"));
    EXPECT_EQ(h.Window->VXLogger_FileName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(h.Window->Instruments.Logger.RecordFile.IsOpen());
    fs::create_directories(h.Folder);
}

TEST_F(RecordingArea, ClosingTheWindowMidRecordingKeepsEveryLine) {
    W.VXLogger_StartStopClick();
    for (int i = 0; i < 10; ++i) Report(0x02, {100, 100, 50, 50});
    const fs::path file = H.RecordFiles().at(0);
    H.Window.reset();
    const std::string content = TWindowHarness::ReadFile(file);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 10);
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

TEST_F(RecordingArea, AFailedLineIsTakenBackShownRedAndLaterLinesAreWhole) {
    W.VXLogger_StartStopClick();
    Report(0x00, {0, 2, 0, 1});  // 47 bytes
    {
        test::TFileSizeLimit limit(60);  // the next line would pass it
        Report(0x00, {0, 2, 0, 1});
        EXPECT_EQ(W.VXLogger_FileName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_TRUE(W.Instruments.Logger.RecordFile.IsOpen()) << "the file stays open and later lines are still tried";
        EXPECT_EQ(W.VXLogger_StartStop->text(), QStringLiteral("Стоп"));
    }
    Report(0x00, {0, 1, 0, 2});
    EXPECT_EQ(W.VXLogger_FileName->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    W.VXLogger_StartStopClick();
    EXPECT_EQ(Content(),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n"
              "06122026;232415042;24;1,883;1,000;3,766;1,000\r\n");
}

}  // namespace
}  // namespace tavik
