// The logger area: what only the window does with the logger's cycle — the
// voltmeter labels, the chart's traces, the settings boxes that mirror the
// module, the edits' colours and the recording's name and button.
#include <gtest/gtest.h>

#include <filesystem>

#include "instruments/logger/logger_protocol.h"
#ifndef _WIN32
#include "tests/support/file_size_limit.h"
#endif
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::I;
using test::TWindowHarness;
namespace fs = std::filesystem;

class LoggerArea : public test::TBoundLoggerTest<'.'> {
protected:
    int Points(int position) { return H.Points(position); }
};

TEST_F(LoggerArea, TheVoltmeterLabelsFollowTheValueTimer) {
    Logger->Csr = logger::Csr8Bit;
    Logger->FixedSamples = std::array<uint8_t, 4>{128, 128, 0, 0};
    H.LoggerTicks(5);
    EXPECT_EQ(V[I::VXLogger_VCH1].Text, "V1 = 0.000 В") << "labels wait for the value timer";
    W.VXLogger_ValueTimerTimer();
    EXPECT_EQ(V[I::VXLogger_VCH1].Text, "V1 = 3.77 В");
    EXPECT_EQ(V[I::VXLogger_VCH2].Text, "V2 = 0.00 В");
}

TEST_F(LoggerArea, ChannelOneIsTheSecondSeriesAndChannelTwoTheFirst) {
    Logger->Csr = logger::CsrPeak | logger::CsrChannel2;
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};  // 512 and 256
    H.LoggerTicks(1);
    const auto& channel1 = W.VXLogger_OSC.SeriesAt(1).Points;
    const auto& channel2 = W.VXLogger_OSC.SeriesAt(0).Points;
    ASSERT_EQ(channel1.size(), 2u);
    EXPECT_EQ(channel1[0], 0.0);
    EXPECT_EQ(channel1[1], 0.0);
    EXPECT_DOUBLE_EQ(channel2[0], 3.76575f);
    EXPECT_DOUBLE_EQ(channel2[1], 1.882875f);
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
}

TEST_F(LoggerArea, ReportsWithoutSamplesLeaveTracesAndTextsAlone) {
    Logger->Csr = 0x06;
    Logger->SamplesReady = false;
    H.LoggerTicks(3);
    EXPECT_EQ(Points(0), 0);
    W.VXLogger_ValueTimerTimer();
    EXPECT_EQ(V[I::VXLogger_VCH1].Text, "V1 = 0.000 В");
    EXPECT_TRUE(V[I::VXLogger_8bit].Checked);
    EXPECT_TRUE(V[I::VXLogger_Peak].Checked);
    EXPECT_TRUE(V[I::VXLogger_CH1].Checked);
    EXPECT_FALSE(V[I::VXLogger_10bit].Checked);
    // One SetControl for each box that changed: 8bit, Peak, CH1.
    EXPECT_EQ(Logger->ReceivedWithCode(2).size(), 3u);
    EXPECT_TRUE(Logger->ReceivedWithCode(1).empty());
}

TEST_F(LoggerArea, TheCsrLabelShowsTheProgramsCopyFromBeforeTheMirroring) {
    Logger->Csr = 0x07;  // 8 bit, peak, channel 2
    H.LoggerTicks(1);
    EXPECT_EQ(V[I::VXLogger_CSR].Text, "CSR = 0");
    H.LoggerTicks(1);
    EXPECT_EQ(V[I::VXLogger_CSR].Text, "CSR = 7");
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
    V.Click(I::VXLogger_10bit);
    Logger->Received.clear();
    V.Click(I::VXLogger_8bit);
    ASSERT_EQ(Logger->Received.size(), 1u);
    EXPECT_EQ(Logger->Received[0][2], 0x02);
    EXPECT_TRUE(V[I::VXLogger_10bit].Checked) << "the partner box is left to the module";
    Logger->Received.clear();
    H.LoggerTicks(1);  // the module now reports 8-bit mode
    EXPECT_FALSE(V[I::VXLogger_10bit].Checked);
    const auto controls = Logger->ReceivedWithCode(2);
    ASSERT_GE(controls.size(), 1u);
    EXPECT_EQ(controls[0][2], 0x02) << "the same CSR byte once more";
}

TEST_F(LoggerArea, ChangesWhileUnboundSendNothingAndKeepTheCopy) {
    H.Platform.UnplugAll();
    H.Notify();
    const uint8_t sequence = W.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence;
    V.Click(I::VXLogger_Peak);
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
    V.Click(I::VXLogger_8bit);
    EXPECT_EQ(again->Received.back()[2] & logger::CsrPeak, 0) << "the next SetControl sends the old bit";
}

TEST_F(LoggerArea, AnInvalidReferenceTurnsRedAndSendsNothing) {
    V.Type(I::VXLogger_CalibrateEdit, "5.0 В");
    EXPECT_EQ(V[I::VXLogger_CalibrateEdit].TextColour, colours::Red);
    V.Click(I::VXLogger_CalibrButton);
    EXPECT_TRUE(Logger->Received.empty());
    V.Type(I::VXLogger_CalibrateEdit, "4.75");
    EXPECT_EQ(V[I::VXLogger_CalibrateEdit].TextColour, colours::Normal);
}

class RecordingArea : public test::TBoundLoggerTest<','> {
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
    V.Click(I::VXLogger_StartStop);
    EXPECT_EQ(V[I::VXLogger_FileName].Text, "06122026232415.csv");
    EXPECT_EQ(V[I::VXLogger_FileName].TextColour, colours::Green);
    EXPECT_EQ(V[I::VXLogger_StartStop].Text, "Стоп");
    ASSERT_EQ(H.RecordFiles().size(), 1u);
    EXPECT_EQ(H.RecordFiles()[0].filename(), "06122026232415.csv");
    V.Click(I::VXLogger_StartStop);
    EXPECT_EQ(V[I::VXLogger_FileName].Text, "06122026232415.csv");
    EXPECT_EQ(V[I::VXLogger_FileName].TextColour, colours::Red);
    EXPECT_EQ(V[I::VXLogger_StartStop].Text, "Старт");
}

TEST_F(RecordingArea, TheLinesTimeIsReadAfterTheBoxesFollowTheModule) {
    std::vector<std::size_t> sentBeforeTheClock;
    W.Instruments.Logger.Clock = [&] {
        sentBeforeTheClock.push_back(Logger->ReceivedWithCode(2).size());
        return H.Now;
    };
    V.Click(I::VXLogger_StartStop);
    Report(0x07, {0, 2, 0, 1});  // three boxes change: three SetControl first
    ASSERT_EQ(sentBeforeTheClock.size(), 1u);
    EXPECT_EQ(sentBeforeTheClock[0], 3u);
}

TEST_F(RecordingArea, AFileThatCannotBeCreatedLeavesRecordingOff) {
    TWindowHarness h;
    test::TRecordingView& V = h.View;
    fs::remove_all(h.Folder);  // the folder is gone
    V.Click(I::VXLogger_StartStop);
    EXPECT_EQ(V[I::VXLogger_StartStop].Text, "Старт");
    EXPECT_EQ(V[I::VXLogger_FileName].Text, "06122026232415.csv");
    EXPECT_EQ(h.View[I::VXLogger_FileName].TextColour, colours::Red);
    EXPECT_FALSE(h.Window->Instruments.Logger.RecordFile.IsOpen());
    fs::create_directories(h.Folder);
}

TEST_F(RecordingArea, ClosingTheWindowMidRecordingKeepsEveryLine) {
    V.Click(I::VXLogger_StartStop);
    for (int i = 0; i < 10; ++i) Report(0x02, {100, 100, 50, 50});
    const fs::path file = H.RecordFiles().at(0);
    H.Window.reset();
    const std::string content = TWindowHarness::ReadFile(file);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 10);
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

// A file-size limit needs POSIX; on Windows the full-disk test of the
// recording file covers the failed write.
#ifndef _WIN32
TEST_F(RecordingArea, AFailedLineIsTakenBackShownRedAndLaterLinesAreWhole) {
    V.Click(I::VXLogger_StartStop);
    Report(0x00, {0, 2, 0, 1});  // 47 bytes
    {
        test::TFileSizeLimit limit(60);  // the next line would pass it
        Report(0x00, {0, 2, 0, 1});
        EXPECT_EQ(V[I::VXLogger_FileName].TextColour, colours::Red);
        EXPECT_TRUE(W.Instruments.Logger.RecordFile.IsOpen()) << "the file stays open and later lines are still tried";
        EXPECT_EQ(V[I::VXLogger_StartStop].Text, "Стоп");
    }
    Report(0x00, {0, 1, 0, 2});
    EXPECT_EQ(V[I::VXLogger_FileName].TextColour, colours::Green);
    V.Click(I::VXLogger_StartStop);
    EXPECT_EQ(Content(),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n"
              "06122026;232415042;24;1,883;1,000;3,766;1,000\r\n");
}

#endif

}  // namespace
}  // namespace tavik
