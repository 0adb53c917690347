// Recording onto a disk that fills up: a small tmpfs (root only; skipped with
// the reason otherwise). The program keeps running, shows the failure, and
// once space returns the later lines are whole.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::TWindowHarness;

TEST(FullDisk, RecordingGoesOnAndLinesStayWhole) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs (the file-size limit test covers the rest)";
    TWindowHarness h{QLocale(QLocale::Russian, QLocale::Russia)};
    if (::mount("tmpfs", h.Folder.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct TUnmount {
        fs::path Folder;
        ~TUnmount() { ::umount2(Folder.c_str(), MNT_DETACH); }
    } unmount{h.Folder};

    // Fill the disk but for a few hundred bytes.
    const fs::path filler = h.Folder / "filler";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(512, 'x');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {}
    }
    fs::resize_file(filler, fs::file_size(filler) - 4096 + 600);

    auto logger = h.PlugLogger();
    logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    h.ProcessEvents();
    h.LoggerTicks(1);
    h.Window->VXLogger_StartStopClick();
    ASSERT_TRUE(h.Window->Instruments.Logger.RecordFile.IsOpen());
    const fs::path file = h.Folder / h.Window->VXLogger_FileName->text().toStdString();

    int ticks = 0;
    while (h.Window->VXLogger_FileName->palette().color(QPalette::WindowText) != QColor(255, 0, 0) && ticks < 1000) {
        h.LoggerTicks(1);
        ++ticks;
    }
    ASSERT_LT(ticks, 1000) << "the disk never filled";
    EXPECT_TRUE(h.Window->Instruments.Logger.RecordFile.IsOpen());
    EXPECT_EQ(h.Window->VXLogger_StartStop->text(), QStringLiteral("Стоп"));
    h.LoggerTicks(5);  // still full: still red, still running
    EXPECT_EQ(h.Window->VXLogger_FileName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const auto fullSize = fs::file_size(file);

    fs::remove(filler);  // space returns
    h.LoggerTicks(10);
    EXPECT_EQ(h.Window->VXLogger_FileName->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    h.Window->VXLogger_StartStopClick();
    EXPECT_GT(fs::file_size(file), fullSize);

    const std::string content = TWindowHarness::ReadFile(file);
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
