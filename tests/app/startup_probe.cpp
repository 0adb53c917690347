// Starts Qt as the program does and prints what Qt made of the command line,
// for the start-up test to read.
#include <QApplication>
#include <cstdio>

#include "app/qt/application_arguments.h"

int main(int, char** argv) {
    tavik::TApplicationArguments arguments(argv);
    QApplication application(arguments.Count, arguments.Values);
    std::printf("direction=%s display-name=[%s] arguments=%lld\n",
                QGuiApplication::layoutDirection() == Qt::RightToLeft ? "rtl" : "ltr",
                qPrintable(QGuiApplication::applicationDisplayName()),
                static_cast<long long>(QCoreApplication::arguments().size()));
    return 0;
}
