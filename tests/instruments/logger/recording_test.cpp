// The recording file: its name, every line byte for byte, and that no line,
// and no earlier file, is ever lost.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <csignal>

#include "instruments/logger/logger_protocol.h"
#include "instruments/logger/recording_file.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;
namespace fs = std::filesystem;

TEST(RecordNames, FileNameAndTimestampFields) {
    EXPECT_EQ(logger::RecordFileName({2026, 12, 6, 23, 24, 15, 42}), "06122026232415.csv");
    EXPECT_EQ(logger::RecordFileName({2027, 1, 2, 3, 4, 5, 0}), "02012027030405.csv");
    char text[40];
    for (auto [ms, expected] : {std::pair{7, "01012026;100503007;"}, std::pair{70, "01012026;100503070;"},
                                std::pair{700, "01012026;100503700;"}}) {
        const std::size_t n = logger::FormatTimestamp({2026, 1, 1, 10, 5, 3, ms}, text);
        EXPECT_EQ(std::string(text, n), expected);
    }
}

class Recording : public test::TBoundLoggerTest<QLocale::Russian> {
protected:
    void Report(uint8_t csr, std::array<uint8_t, 4> samples, bool withSamples = true) {
        Logger->Csr = csr;
        Logger->SamplesReady = withSamples;
        Logger->FixedSamples = samples;
        H.LoggerTicks(1);
    }
    std::string Content() {
        const auto files = H.RecordFiles();
        return files.empty() ? std::string() : TWindowHarness::ReadFile(files.back());
    }
};

TEST_F(Recording, StartNamesTheFileAndStopClosesIt) {
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

TEST_F(Recording, LinesOfEveryModeByteForByte) {
    W.VXLogger_StartStopClick();
    H.Now.Millisecond = 42;
    Report(0x00, {0x00, 0x02, 0x00, 0x01});  // 10 bit: 512, 256 (status 0x18)
    H.Now.Millisecond = 92;
    Report(0x06, {128, 130, 64, 66});        // 8 bit peak (status 0x1E)
    H.Now.Millisecond = 142;
    Report(0x06, {0, 0, 0, 0}, false);       // no samples
    Report(0x02, {128, 1, 64, 2});           // 8 bit: second bytes recorded too
    Report(0x04, {0xFF, 0xFF, 0x00, 0x02});  // 10-bit peak, channel 1: -1 and 512
    Report(0x05, {0x00, 0x01, 0x00, 0x00});  // 10-bit peak, channel 2
    W.VXLogger_StartStopClick();
    EXPECT_EQ(Content(),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n"
              "06122026;232415092;30;3,77;3,82;1,000;1,88;1,94;1,000\r\n"
              "06122026;232415142;\r\n"
              "06122026;232415142;26;3,77;0,03;1,000;1,88;0,06;1,000\r\n"
              "06122026;232415142;28;-0,007;3,766;1,000\r\n"
              "06122026;232415142;29;1,883;0,000;1,000\r\n");
}

TEST_F(Recording, ReportsOfAnotherKindWriteNoLine) {
    W.VXLogger_StartStopClick();
    Logger->ForcedKind = 5;
    Logger->ForcedKindReads = 2;
    H.LoggerTicks(2);
    Report(0x00, {0, 0, 0, 0});
    W.VXLogger_StartStopClick();
    EXPECT_EQ(Content(), "06122026;232415042;24;0,000;1,000;0,000;1,000\r\n");
}

TEST_F(Recording, TwoStartsInOneSecondKeepTheFirstFile) {
    W.VXLogger_StartStopClick();
    Report(0x00, {0, 2, 0, 1});
    W.VXLogger_StartStopClick();
    W.VXLogger_StartStopClick();  // the same second
    Report(0x00, {0, 1, 0, 2});
    W.VXLogger_StartStopClick();
    const auto files = H.RecordFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "06122026232415-2.csv");
    EXPECT_EQ(files[1].filename(), "06122026232415.csv");
    EXPECT_EQ(TWindowHarness::ReadFile(files[1]), "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
    EXPECT_EQ(TWindowHarness::ReadFile(files[0]), "06122026;232415042;24;1,883;1,000;3,766;1,000\r\n");
    EXPECT_EQ(W.VXLogger_FileName->text(), QStringLiteral("06122026232415-2.csv"));
}

TEST_F(Recording, ALinkUnderTheNameCannotRedirectTheRecording) {
    const fs::path target = H.Folder / "elsewhere.txt";
    { std::ofstream(target) << "keep"; }
    fs::create_symlink(target, H.Folder / "06122026232415.csv");
    W.VXLogger_StartStopClick();
    Report(0x00, {0, 2, 0, 1});
    W.VXLogger_StartStopClick();
    EXPECT_EQ(TWindowHarness::ReadFile(target), "keep");
    EXPECT_EQ(TWindowHarness::ReadFile(H.Folder / "06122026232415-2.csv"),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
}

TEST_F(Recording, AFileThatCannotBeCreatedLeavesRecordingOff) {
    TWindowHarness h;
    fs::remove_all(h.Folder);  // the folder is gone
    h.Window->VXLogger_StartStopClick();
    EXPECT_EQ(h.Window->VXLogger_StartStop->text(), QStringLiteral("Старт"));
    EXPECT_EQ(h.Window->VXLogger_FileName->text(), QStringLiteral("06122026232415.csv"));
    EXPECT_EQ(h.Window->VXLogger_FileName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(h.Window->Instruments.Logger.RecordFile.IsOpen());
    fs::create_directories(h.Folder);
}

TEST_F(Recording, ClosingTheWindowMidRecordingKeepsEveryLine) {
    W.VXLogger_StartStopClick();
    for (int i = 0; i < 10; ++i) Report(0x02, {100, 100, 50, 50});
    const fs::path file = H.RecordFiles().at(0);
    H.Window.reset();
    const std::string content = TWindowHarness::ReadFile(file);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 10);
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

TEST_F(Recording, UnderAPointLocaleTheSeparatorIsAPoint) {
    TWindowHarness h(QLocale::c());
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    h.LoggerTicks(1);
    h.Window->VXLogger_StartStopClick();
    logger->FixedSamples = std::array<uint8_t, 4>{0, 2, 0, 1};
    h.LoggerTicks(1);
    h.Window->VXLogger_StartStopClick();
    EXPECT_EQ(TWindowHarness::ReadFile(h.RecordFiles().at(0)), "06122026;232415042;24;3.766;1.000;1.883;1.000\r\n");
}

// A file-size limit makes writes fail as a full disk would, without root.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Saved_);
        rlimit limit = Saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &Saved_); }

private:
    rlimit Saved_{};
};

TEST_F(Recording, AFailedLineIsTakenBackShownRedAndLaterLinesAreWhole) {
    W.VXLogger_StartStopClick();
    Report(0x00, {0, 2, 0, 1});  // 47 bytes
    {
        TFileSizeLimit limit(60);  // the next line would pass it
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
