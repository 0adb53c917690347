// Recording onto a disk that fills up: a small tmpfs (root only; skipped with
// the reason otherwise). The program keeps running, shows the failure, and
// once space returns the later lines are whole. A Linux build mounts the disk
// itself; a Windows program cannot, so tests/support/small_disk.sh mounts one
// for it and names it in TAVIK_SMALL_DISK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <fstream>
#include <regex>

#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::TInstrumentHarness;

TEST(FullDisk, RecordingGoesOnAndLinesStayWhole) {
    TInstrumentHarness h;
#ifdef _WIN32
    const char* given = std::getenv("TAVIK_SMALL_DISK");
    if (!given) GTEST_SKIP() << "run through tests/support/small_disk.sh, which mounts the disk";
    const fs::path disk = given;
#else
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs (the file-size limit test covers the rest)";
    const fs::path disk = h.Folder;
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct TUnmount {
        fs::path Folder;
        ~TUnmount() { ::umount2(Folder.c_str(), MNT_DETACH); }
    } unmount{disk};
#endif

    // Fill the disk but for one page (tmpfs counts whole pages): some 80 lines
    // fit, and the next one is cut short by the disk.
    const fs::path filler = disk / "filler";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(512, 'x');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {}
    }
    fs::resize_file(filler, fs::file_size(filler) - 4096);

    auto logger = h.PlugLogger();
    logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    h.ProcessEvents();
    h.LoggerTicks(1);
    const std::string name = h.Logger().StartRecording(disk.string(), h.Now);
    ASSERT_FALSE(name.empty());
    const fs::path file = disk / name;

    int ticks = 0;
    for (bool healthy = true; healthy && ticks < 1000; ++ticks) healthy = h.LoggerTicks(1)->RecordHealthy;
    ASSERT_LT(ticks, 1000) << "the disk never filled";
    ASSERT_GT(ticks, 50) << "the disk was full before the recording began";
    EXPECT_TRUE(h.Logger().RecordFile.IsOpen());
    EXPECT_FALSE(h.LoggerTicks(5)->RecordHealthy) << "still full: still failing, still recording";
    const auto fullSize = fs::file_size(file);

    fs::remove(filler);  // space returns
    EXPECT_TRUE(h.LoggerTicks(10)->RecordHealthy);
    h.Logger().StopRecording();
    EXPECT_GT(fs::file_size(file), fullSize);

    const std::string content = TInstrumentHarness::ReadFile(file);
    const std::regex line("06122026;232415042;24;3,766;1,000;1,883;1,000\r\n");
    std::size_t lines = 0;
    for (std::size_t at = 0; at < content.size();) {
        const std::size_t end = content.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "the file ends mid-line";
        EXPECT_TRUE(std::regex_match(content.substr(at, end + 2 - at), line)) << "line " << lines;
        ++lines;
        at = end + 2;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(ticks) - 1 + 10) << "every line but the ones that met a full disk";
}

}  // namespace
}  // namespace tavik
