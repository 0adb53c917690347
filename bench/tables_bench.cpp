// Building both frequency tables, writing their labels and filling both
// boxes, beside filling the same boxes with 1852 constant strings.
#include <QApplication>
#include <QComboBox>
#include <cstdio>

#include "bench_util.h"
#include "instruments/generator/frequency_tables.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    using namespace tavik::generator;
    const int runs = 30;
    auto out1 = std::make_unique<TFreqTable>();
    auto out2 = std::make_unique<TFreqTable>();
    const auto build = tavik::bench::TimeRuns(runs, [&] {
        QComboBox box1;
        QComboBox box2;
        QStringList labels;
        const std::size_t n1 = BuildFrequencyTable(OUT1Groups(), *out1);
        for (std::size_t i = 0; i < n1; ++i) labels << QString::fromStdString(FrequencyLabel((*out1)[i].Frequency, ','));
        box1.addItems(labels);
        labels.clear();
        const std::size_t n2 = BuildFrequencyTable(OUT2Groups(), *out2);
        for (std::size_t i = 0; i < n2; ++i) labels << QString::fromStdString(FrequencyLabel((*out2)[i].Frequency, ','));
        box2.addItems(labels);
        box1.setCurrentIndex(0);
        box2.setCurrentIndex(0);
    });
    const auto floor = tavik::bench::TimeRuns(runs, [&] {
        QComboBox box1;
        QComboBox box2;
        box1.addItems(QStringList(1088, QStringLiteral("8,25E+6")));
        box2.addItems(QStringList(764, QStringLiteral("8,25E+6")));
        box1.setCurrentIndex(0);
        box2.setCurrentIndex(0);
    });
    std::printf("build both tables and fill both boxes: median %.1f us, worst %.1f us\n", build.Median, build.Worst);
    std::printf("fill both boxes with 1852 constants:   median %.1f us, worst %.1f us\n", floor.Median, floor.Worst);
    std::printf("ratio tables / floor: %.2f\n", build.Median / floor.Median);
    return 0;
}
