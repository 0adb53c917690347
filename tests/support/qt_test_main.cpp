// Every test binary runs inside one QApplication (offscreen), so that widgets,
// timers and queued notices behave as in the program.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests draw off screen unless told otherwise, also when CTest lists them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
