// The recording file: its name, every line byte for byte, and that no line,
// and no earlier file, is ever lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "instruments/logger/logger.h"
#include "instruments/logger/voltmeter_text.h"
#include "recording_fixture.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr const char* WindowsOrUnix([[maybe_unused]] const char* windows, [[maybe_unused]] const char* unix) {
#ifdef _WIN32
    return windows;
#else
    return unix;
#endif
}
using test::Recording;
using test::TSimulatedModules;

TEST(RecordNames, FileNameAndTimestampFields) {
    EXPECT_EQ(logger::RecordFileName({2026, 12, 6, 23, 24, 15, 42}), "06122026232415.csv");
    EXPECT_EQ(logger::RecordFileName({2027, 1, 2, 3, 4, 5, 0}), "02012027030405.csv");
    char text[40];
    for (auto [ms, expected] : {std::pair{7, "01012026;100503007;"}, std::pair{70, "01012026;100503070;"},
                                std::pair{700, "01012026;100503700;"}}) {
        const std::size_t n = logger::FormatTimestamp({2026, 1, 1, 10, 5, 3, ms}, text);
        EXPECT_EQ(std::string(text, n), expected);
    }
    // The path a user is shown, in the system's own form.
#ifdef _WIN32
    const char* joined[] = {"C:\\logs\\a.csv", "C:\\logs\\a.csv", "C:/logs/a.csv", "D:a.csv", "a.csv"};
#else
    const char* joined[] = {"/logs/a.csv", "/logs\\/a.csv", "/logs/a.csv", "D:/a.csv", "a.csv"};
#endif
    const char* folders[] = {WindowsOrUnix("C:\\logs", "/logs"), WindowsOrUnix("C:\\logs\\", "/logs\\"),
                             WindowsOrUnix("C:/logs/", "/logs/"), "D:", ""};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(logger::PathIn(folders[i], "a.csv"), joined[i]) << folders[i];
}

TEST_F(Recording, LinesOfEveryModeByteForByte) {
    EXPECT_EQ(Start(), "06122026232415.csv");
    H.Now.Millisecond = 42;
    Report(0x00, {0x00, 0x02, 0x00, 0x01});  // 10 bit: 512, 256 (status 0x18)
    H.Now.Millisecond = 92;
    Report(0x06, {128, 130, 64, 66});        // 8 bit peak (status 0x1E)
    H.Now.Millisecond = 142;
    Report(0x06, {0, 0, 0, 0}, false);       // no samples
    Report(0x02, {128, 1, 64, 2});           // 8 bit: second bytes recorded too
    Report(0x04, {0xFF, 0xFF, 0x00, 0x02});  // 10-bit peak, channel 1: -1 and 512
    const auto last = Report(0x05, {0x00, 0x01, 0x00, 0x00});  // 10-bit peak, channel 2
    EXPECT_TRUE(last->Recorded && last->RecordHealthy);
    Logger.StopRecording();
    EXPECT_EQ(Content(),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n"
              "06122026;232415092;30;3,77;3,82;1,000;1,88;1,94;1,000\r\n"
              "06122026;232415142;\r\n"
              "06122026;232415142;26;3,77;0,03;1,000;1,88;0,06;1,000\r\n"
              "06122026;232415142;28;-0,007;3,766;1,000\r\n"
              "06122026;232415142;29;1,883;0,000;1,000\r\n");
    EXPECT_FALSE(Report(0x00, {0, 0, 0, 0})->Recorded);
}

TEST_F(Recording, EachChannelsFactorScalesOnlyItsOwnValues) {
    Module->Memory.StoreFloat(16, 1.25f);
    Module->Memory.StoreFloat(20, 0.75f);
    Logger.ReadCalibrationFactors();
    Logger.RequestMeasurement();
    H.LoggerTicks(1);
    Start();
    Report(0x00, {0x00, 0x02, 0x00, 0x01});  // 10 bit: 3.76575 V and 1.882875 V
    Report(0x02, {128, 64, 64, 128});        // 8 bit
    Logger.StopRecording();
    EXPECT_EQ(Content(),
              "06122026;232415042;24;4,707;1,250;1,412;0,750\r\n"
              "06122026;232415042;26;4,71;2,35;1,250;1,41;2,82;0,750\r\n");
    EXPECT_EQ(logger::VoltmeterText(Logger.Acquisition, 1, ','), "V1 = 1,88 В") << "(3.76575 + 4.7071875 / 1.25) / 5 x 1.25";
    EXPECT_EQ(logger::VoltmeterText(Logger.Acquisition, 2, ','), "V2 = 0,56 В");
}

TEST_F(Recording, ReportsOfAnotherKindWriteNoLine) {
    Start();
    Module->ForcedKind = 5;
    Module->ForcedKindReads = 2;
    H.LoggerTicks(2);
    Report(0x00, {0, 0, 0, 0});
    Logger.StopRecording();
    EXPECT_EQ(Content(), "06122026;232415042;24;0,000;1,000;0,000;1,000\r\n");
}

TEST_F(Recording, TwoStartsInOneSecondKeepTheFirstFile) {
    Start();
    Report(0x00, {0, 2, 0, 1});
    Logger.StopRecording();
    EXPECT_EQ(Start(), "06122026232415-2.csv");  // the same second
    Report(0x00, {0, 1, 0, 2});
    Logger.StopRecording();
    const auto files = H.RecordFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "06122026232415-2.csv");
    EXPECT_EQ(files[1].filename(), "06122026232415.csv");
    EXPECT_EQ(TSimulatedModules::ReadFile(files[1]), "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
    EXPECT_EQ(TSimulatedModules::ReadFile(files[0]), "06122026;232415042;24;1,883;1,000;3,766;1,000\r\n");
}

TEST_F(Recording, AFileThatCannotBeCreatedLeavesRecordingOff) {
    fs::remove_all(H.Folder);  // the folder is gone
    EXPECT_EQ(Start(), "");
    EXPECT_FALSE(Logger.RecordFile.IsOpen());
    EXPECT_FALSE(Report(0x00, {0, 0, 0, 0})->Recorded);
    fs::create_directories(H.Folder);
}

TEST(RecordingLocale, UnderAPointLocaleTheSeparatorIsAPoint) {
    test::TInstrumentHarness h('.');
    auto logger = h.PlugLogger();
    h.ProcessEvents();
    h.LoggerTicks(1);
    h.Logger().StartRecording(h.Folder.string(), h.Now);
    logger->FixedSamples = std::array<uint8_t, 4>{0, 2, 0, 1};
    h.LoggerTicks(1);
    h.Logger().StopRecording();
    EXPECT_EQ(TSimulatedModules::ReadFile(h.RecordFiles().at(0)), "06122026;232415042;24;3.766;1.000;1.883;1.000\r\n");
}

}  // namespace
}  // namespace tavik
