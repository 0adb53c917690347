// Start-up and shutdown, and errors that escape a handler.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <string>

#include "common/errors.h"
#include "app/error_box.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;

TEST(ErrorBox, AFullStopIsAddedAfterCharactersBeyondIt) {
    EXPECT_EQ(ErrorBoxText(QStringLiteral("''abc'' is not a valid integer value")),
              QStringLiteral("''abc'' is not a valid integer value."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("value (1)")), QStringLiteral("value (1)")) << "')' comes before '.'";
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Ошибка")), QStringLiteral("Ошибка."));
    EXPECT_EQ(ErrorBoxText(QString()), QString());
}

TEST(Startup, NoModuleThreeRedTitlesNoTrafficOnlyTheValueTimer) {
    TWindowHarness h;
    h.ProcessEvents();
    EXPECT_EQ(h.Window->VXLogger_VCH1->text(), QStringLiteral("V1 = 0.000 В"));
    EXPECT_EQ(h.Window->VXLogger_VCH2->text(), QStringLiteral("V2 = 0.000 В"));
    EXPECT_TRUE(h.Platform.Wire().empty());
    EXPECT_TRUE(h.Window->VXLogger_ValueTimer->isActive());
    EXPECT_FALSE(h.Window->VXLogger_MainTimer->isActive());
    EXPECT_TRUE(h.Errors.isEmpty());
}

TEST(Startup, AnErrorThatEscapesAHandlerIsShownOnceAndTheProgramGoesOn) {
    TWindowHarness h;
    h.PlugGenerator();
    h.ProcessEvents();
    h.Window->AddrEdit->setText(QStringLiteral("zz"));
    ASSERT_EQ(h.Errors.size(), 1);
    EXPECT_EQ(h.Errors[0], QStringLiteral("Тавик|''zz'' is not a valid integer value."));
    h.Window->Guarded("test", [] { throw EAbort(); });
    EXPECT_EQ(h.Errors.size(), 1) << "a silent abort shows nothing";
    h.Window->Guarded("test", [] { throw std::out_of_range("index"); });
    ASSERT_EQ(h.Errors.size(), 2);
    EXPECT_TRUE(h.Errors[1].startsWith(QStringLiteral("Application Error|Exception std::out_of_range in test")));
    h.Window->AddrEdit->setText(QStringLiteral("5"));
    EXPECT_EQ(h.Errors.size(), 2) << "the window keeps working";
}

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

TEST(Shutdown, ClosingSendsNothingAndRunsNoRemoval) {
    auto h = std::make_unique<TWindowHarness>();
    auto logger = h->PlugLogger();
    auto generator = h->PlugGenerator();
    h->ProcessEvents();
    const std::size_t frames = logger->Received.size();
    h->Window.reset();
    EXPECT_EQ(logger->Received.size(), frames);
    EXPECT_TRUE(generator->Received.empty());
    EXPECT_EQ(h->Platform.OpenHandleCount(), 0) << "every device released";
}

}  // namespace
}  // namespace tavik
