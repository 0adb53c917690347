// The Qt program's start: Qt is given none of the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tavik {
namespace {

TEST(Startup, QtIsGivenNoneOfTheArguments) {
    // popen rather than QProcess: its way of starting a child also works
    // under a user-mode emulator, which a cross build's tests run in.
    const std::string emulator = TAVIK_TEST_EMULATOR;
    const std::string command = (emulator.empty() ? "" : emulator + " ") + TAVIK_STARTUP_PROBE +
                                " -reverse -qwindowgeometry 10x10+0+0 2>/dev/null";
    FILE* probe = ::popen(command.c_str(), "r");
    ASSERT_NE(probe, nullptr);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, probe) != nullptr;
    EXPECT_EQ(::pclose(probe), 0);
    ASSERT_TRUE(read);
    EXPECT_STREQ(line, "direction=ltr display-name=[startup_probe] arguments=1\n")
        << "no mirrored layout, no display name added to captions";
}

}  // namespace
}  // namespace tavik
