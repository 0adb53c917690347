// tavik-cli log's recording on its own clocks and with system calls that
// fail on purpose: rows whole, in order, in the right file; a full disk taken
// back and told; syncs at their cadence; a torn last line mended.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/log_recorder.h"
#include "cli/log_until.h"

namespace tavik::cli {
namespace {

namespace fs = std::filesystem;

// The calls a test makes fail: writes after `WritesLeft` more succeed whole
// fail (-1), or write only half of their bytes; cuts fail while CutFails.
struct TFaults {
    static inline int WritesLeft = -1;  // -1: all succeed
    static inline bool HalfWrites = false;
    static inline bool CutFails = false;
    static inline int Syncs = 0;
    static long long Write(fsys::TFile file, const char* data, std::size_t length) {
        if (WritesLeft == 0) return HalfWrites ? fsys::Write(file, data, length / 2) : -1;
        if (WritesLeft > 0) --WritesLeft;
        return fsys::Write(file, data, length);
    }
    static bool CutAt(fsys::TFile file, long long length) { return !CutFails && fsys::CutAt(file, length); }
    static bool Sync(fsys::TFile file) { return ++Syncs, TLogFileCalls::SyncToDisk(file); }
};

class LogRecorder : public ::testing::Test {
protected:
    void SetUp() override {
        TFaults::WritesLeft = -1;
        TFaults::HalfWrites = TFaults::CutFails = false;
        TFaults::Syncs = 0;
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }

    TLogRecorder Make(TLogSettings settings) {
        settings.Directory = Folder.string();
        TLogFileCalls calls;
        calls.Write = TFaults::Write;
        calls.CutAt = TFaults::CutAt;
        calls.Sync = TFaults::Sync;
        return TLogRecorder(settings, {[this] { return Creeping ? NowMs++ : NowMs; }, [this] { return Mono; }}, calls);
    }
    // Each file's rows after its header, in name order.
    std::vector<std::vector<std::string>> Files() const {
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(Folder)) paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        std::vector<std::vector<std::string>> files;
        for (const fs::path& path : paths) {
            std::ifstream in(path, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            EXPECT_EQ(text.str().back(), '\n') << path;
            std::vector<std::string> rows;
            std::string line;
            bool header = false;
            while (std::getline(text, line))
                if (header) rows.push_back(line);
                else header = line.rfind("time,", 0) == 0;
            EXPECT_TRUE(header) << path;
            files.push_back(rows);
        }
        return files;
    }
    void Advance(int64_t ms) {
        NowMs += ms;
        Mono += static_cast<double>(ms) / 1000;
    }

    fs::path Folder = fs::temp_directory_path() / ("tavik-log-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    int64_t NowMs = 1796849996000;  // 2026-12-09T20:59:56Z
    bool Creeping = false;  // each reading of the wall clock a millisecond on
    double Mono = 1000;
};

TEST(LogRows, NumbersFieldsAndIntervals) {
    const struct { double Value; int Decimals; const char* Text; } numbers[] = {
        {1.5, 4, "1.5000"}, {-0.00001, 4, "0.0000"}, {-0.007, 3, "-0.007"}, {100000, 3, "100000.000"}, {3.75098, 4, "3.7510"},
    };
    for (const auto& n : numbers) EXPECT_EQ(PointText(n.Value, n.Decimals), n.Text);
    EXPECT_EQ(CsvField("logger absent"), "logger absent");
    EXPECT_EQ(CsvField("a, \"b\""), "\"a, \"\"b\"\"\"");
    const struct { int64_t Ms; int64_t Every; int64_t Index; } intervals[] = {
        {10000, 10000, 1}, {19999, 10000, 1}, {20000, 10000, 2}, {-1, 10000, -1}, {1796849996000, 1000, 1796849996},
    };
    for (const auto& i : intervals) EXPECT_EQ(IntervalIndex(i.Ms, i.Every), i.Index) << i.Ms;
    TIntervalValues values;
    for (const double v : {2.0, 1.0, 4.5}) values.V1.Add(v);
    values.ModuleCsr = 0x18;
    EXPECT_EQ(IntervalRow(values), "3,1.0000,2.5000,4.5000,0,,,,10bit,0,,,,,\n");
    EXPECT_EQ(EventRow(false, "x").find_first_not_of(','), 5u);
    EXPECT_EQ(EventRow(true, "x").find_first_not_of(','), 14u);
}

TEST(LogUntil, TimesOfDayAndDates) {
    const struct { const char* Text; bool Good; TUntilTime Time; } cases[] = {
        {"18:30", true, {false, 0, 0, 0, 18, 30, 0}},
        {"07:05:09", true, {false, 0, 0, 0, 7, 5, 9}},
        {"2026-12-24T08:00", true, {true, 2026, 12, 24, 8, 0, 0}},
        {"2026-12-24 08:00:30", true, {true, 2026, 12, 24, 8, 0, 30}},
        {"24:00", false, {}}, {"8:00", false, {}}, {"2026-13-01T00:00", false, {}}, {"18:30x", false, {}}, {"", false, {}},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseUntil(c.Text);
        EXPECT_EQ(parsed.has_value(), c.Good) << c.Text;
        if (parsed && c.Good) {
            EXPECT_EQ(*parsed, c.Time) << c.Text;
        }
    }
}

TEST_F(LogRecorder, RowsGoToTheFileOfTheirDayWithEventsInOrder) {
    TLogSettings settings;
    settings.EverySeconds = 1;
    settings.Rotation = TRotation::Size;  // no day change in the test's zone
    settings.RotateBytes = 1 << 20;
    TLogRecorder recorder = Make(settings);
    recorder.Metadata = [] { return std::vector<std::string>{"program: test"}; };
    ASSERT_TRUE(recorder.Start());
    for (int i = 0; i < 25; ++i) {  // 2.5 s of 100 ms reports, an event in the middle
        recorder.Logger({1.0 + i, std::nullopt, 0x18});
        if (i == 15) recorder.Event("logger settings changed: 8bit");
        Advance(100);
        recorder.Tick();
    }
    recorder.Stop("recording stopped");
    const auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    std::vector<std::string> tails;
    for (const std::string& row : files[0]) tails.push_back(row.substr(row.find(',', 30) + 1));
    // 20:59:56.000 to 20:59:58.400: whole seconds of 10 reports, then 5 until
    // the stop; the event between the intervals it came between.
    ASSERT_EQ(tails.size(), 5u);
    EXPECT_EQ(tails[0], "10,1.0000,5.5000,10.0000,0,,,,10bit,0,,,,,");
    EXPECT_EQ(tails[1], ",,,,,,,,,,,,,,logger settings changed: 8bit");
    EXPECT_EQ(tails[2], "10,11.0000,15.5000,20.0000,0,,,,10bit,0,,,,,");
    EXPECT_EQ(tails[3], "5,21.0000,23.0000,25.0000,0,,,,10bit,0,,,,,");
    EXPECT_EQ(tails[4], ",,,,,,,,,,,,,,recording stopped");
    EXPECT_EQ(files[0][3].substr(17, 6), "58.500") << "the part interval, stamped at the stop";
}

TEST_F(LogRecorder, AFullDiskTakesTheRowBackAndTellsTheGap) {
    for (const bool half : {false, true}) {
        SCOPED_TRACE(half ? "short writes" : "failed writes");
        SetUp();
        TLogRecorder recorder = Make({});
        std::vector<std::string> told;
        recorder.Tell = [&](const std::string& line) { told.push_back(line); };
        ASSERT_TRUE(recorder.Start());
        for (int i = 0; i < 12; ++i) {
            if (i == 3) TFaults::WritesLeft = 0, TFaults::HalfWrites = half;
            if (i == 8) TFaults::WritesLeft = -1, Creeping = true;  // a slow machine: the clock moves between reads
            recorder.Meter({100000 + i, true});
            Advance(250);
        }
        recorder.Stop();
        EXPECT_EQ(recorder.RowsLost(), 5);
        const auto files = Files();
        ASSERT_EQ(files.size(), 1u);
        ASSERT_EQ(files[0].size(), 3u + 1 + 4);
        EXPECT_NE(files[0][2].find(",100002,1,"), std::string::npos);
        EXPECT_NE(files[0][3].find(",gap: 5 rows not written from "), std::string::npos) << files[0][3];
        EXPECT_NE(files[0][4].find(",100008,1,"), std::string::npos);
        const auto time = [](const std::string& row) { return row.substr(0, row.find(',')); };
        EXPECT_LE(time(files[0][3]), time(files[0][4])) << "the gap's row is not later than the row after it";
        EXPECT_NE(told.back().find("written again after 5 lost"), std::string::npos);
        Creeping = false;
    }
}

TEST_F(LogRecorder, ARowThatCannotBeCutBackEndsItsFileAndTheNextGoesOn) {
    TLogRecorder recorder = Make({});
    ASSERT_TRUE(recorder.Start());
    recorder.Meter({1, true});
    TFaults::WritesLeft = 0;
    TFaults::HalfWrites = TFaults::CutFails = true;
    Advance(1000);
    recorder.Meter({2, true});  // half of it stays: the file can take no more
    TFaults::WritesLeft = -1;
    Advance(1000);
    recorder.Meter({3, true});
    recorder.Stop();
    std::vector<fs::path> paths{fs::directory_iterator(Folder), fs::directory_iterator()};
    ASSERT_EQ(paths.size(), 2u);
    std::sort(paths.begin(), paths.end());
    std::ifstream first(paths[0], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.back(), '\n') << "the torn row is the first file's last";
    first.close();
    EXPECT_EQ(MendTornRecording(Folder.string()), "") << "only the newest file is the previous run's";
    std::ifstream second(paths[1], std::ios::binary);
    const std::string rest((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rest.substr(rest.size() - 6), ",3,1,\n");
}

TEST_F(LogRecorder, SizeRotationKeepsEveryRowWholeOnce) {
    TLogSettings settings;
    settings.Rotation = TRotation::Size;
    settings.RotateBytes = 2000;
    TLogRecorder recorder = Make(settings);
    ASSERT_TRUE(recorder.Start());
    for (int i = 0; i < 100; ++i) {
        recorder.Meter({i, false});
        Advance(250);
    }
    recorder.Stop();
    std::vector<std::string> all;
    for (const auto& file : Files()) all.insert(all.end(), file.begin(), file.end());
    ASSERT_EQ(all.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_NE(all[i].find("," + std::to_string(i) + ",0,"), std::string::npos) << all[i];
    for (const auto& entry : fs::directory_iterator(Folder)) EXPECT_LE(fs::file_size(entry.path()), 2000u);
    EXPECT_GE(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 3);
}

TEST_F(LogRecorder, SyncsAtTheCadenceAndAtEveryFilesEnd) {
    TLogSettings settings;
    settings.SyncSeconds = 2;
    TLogRecorder recorder = Make(settings);
    ASSERT_TRUE(recorder.Start());
    for (int i = 0; i < 40; ++i) {  // 10 s
        recorder.Meter({i, false});
        Advance(250);
        recorder.Tick();
    }
    EXPECT_EQ(TFaults::Syncs, 5);
    recorder.Tick();
    EXPECT_EQ(TFaults::Syncs, 5) << "nothing new, nothing synced";
    recorder.Stop();
    EXPECT_EQ(TFaults::Syncs, 5) << "nothing written since the last";
    recorder.Start();
    recorder.Meter({1, false});
    recorder.Stop();
    EXPECT_EQ(TFaults::Syncs, 6);
}

TEST_F(LogRecorder, ATornLastLineIsCutOffTheNewestFile) {
    const struct { const char* Text; std::size_t Kept; } cases[] = {
        {"# a\ntime,x\n1,2\n3,", 15}, {"# a\ntime,x\n1,2\n", 15}, {"torn", 0},
    };
    for (const auto& c : cases) {
        SetUp();
        std::ofstream(Folder / "tavik-20261209-100000.csv", std::ios::binary) << "old\npart";
        std::ofstream(Folder / "tavik-20261209-110000.csv", std::ios::binary) << c.Text;
        const std::string mended = MendTornRecording(Folder.string());
        EXPECT_EQ(fs::file_size(Folder / "tavik-20261209-110000.csv"), c.Kept) << c.Text;
        EXPECT_EQ(mended.empty(), std::string(c.Text).back() == '\n') << c.Text;
        EXPECT_EQ(fs::file_size(Folder / "tavik-20261209-100000.csv"), 8u);
    }
}

}  // namespace
}  // namespace tavik::cli
