// The recording file against what only POSIX makes happen here: a link under
// the file's name, and writes cut short by a file-size limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "recording_fixture.h"
#include "tests/support/file_size_limit.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::Recording;
using test::TSimulatedModules;

TEST_F(Recording, ALinkUnderTheNameCannotRedirectTheRecording) {
    const fs::path target = H.Folder / "elsewhere.txt";
    { std::ofstream(target) << "keep"; }
    fs::create_symlink(target, H.Folder / "06122026232415.csv");
    EXPECT_EQ(Start(), "06122026232415-2.csv");
    Report(0x00, {0, 2, 0, 1});
    Logger.StopRecording();
    EXPECT_EQ(TSimulatedModules::ReadFile(target), "keep");
    EXPECT_EQ(TSimulatedModules::ReadFile(H.Folder / "06122026232415-2.csv"),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
}

TEST_F(Recording, AFailedLineIsTakenBackAndLaterLinesAreWhole) {
    Start();
    Report(0x00, {0, 2, 0, 1});  // 47 bytes
    {
        test::TFileSizeLimit limit(60);  // the next line would pass it
        const auto failed = Report(0x00, {0, 2, 0, 1});
        EXPECT_TRUE(failed->Recorded);
        EXPECT_FALSE(failed->RecordHealthy);
        EXPECT_TRUE(Logger.RecordFile.IsOpen()) << "the file stays open and later lines are still tried";
    }
    EXPECT_TRUE(Report(0x00, {0, 1, 0, 2})->RecordHealthy);
    Logger.StopRecording();
    EXPECT_EQ(Content(),
              "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n"
              "06122026;232415042;24;1,883;1,000;3,766;1,000\r\n");
}

TEST_F(Recording, ALineThatCannotBeTakenBackEndsTheRecordingThere) {
    Start();
    Report(0x00, {0, 2, 0, 1});  // 47 bytes
    Logger.RecordFile.Truncate = [](logger::file_system::TFile, long long) { return false; };
    {
        test::TFileSizeLimit limit(60);
        const auto failed = Report(0x00, {0, 2, 0, 1});
        EXPECT_FALSE(failed->RecordHealthy);
        EXPECT_TRUE(failed->RecordStopped);
    }
    EXPECT_FALSE(Logger.RecordFile.IsOpen());
    EXPECT_FALSE(Report(0x00, {0, 1, 0, 2})->Recorded) << "nothing is written after the broken line";
    const std::string content = Content();
    EXPECT_EQ(content.substr(0, 47), "06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
    EXPECT_EQ(content.size(), 60u) << "the broken line, cut at the limit, is the last thing in the file";
}

}  // namespace
}  // namespace tavik
