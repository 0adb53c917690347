// Both frequency lists: their sizes, groups, labels and rounding.
#include <gtest/gtest.h>

#include <set>

#include "instruments/generator/frequency_tables.h"

namespace tavik::generator {
namespace {

class FrequencyTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        out1 = std::make_unique<TFreqTable>();
        out2 = std::make_unique<TFreqTable>();
        out1Count = BuildFrequencyTable(OUT1Groups(), *out1);
        out2Count = BuildFrequencyTable(OUT2Groups(), *out2);
    }
    static inline std::unique_ptr<TFreqTable> out1;
    static inline std::unique_ptr<TFreqTable> out2;
    static inline std::size_t out1Count = 0;
    static inline std::size_t out2Count = 0;

    static std::string Label(const TFreqTable& table, std::size_t i) { return FrequencyLabel(table[i].Frequency, '.'); }
    static std::string Entry(const TFreqTable& table, std::size_t i) {
        const TFreqTableEntry& e = table[i];
        return std::to_string(e.PrescalerCode) + " " + std::to_string(e.Divider) + " " + Label(table, i);
    }
};

TEST_F(FrequencyTables, SizesAndTheFirstAndLastEntryOfEveryGroup) {
    EXPECT_EQ(out1Count, 1088u);
    EXPECT_EQ(out2Count, 764u);
    EXPECT_EQ(Entry(*out1, 0), "1 0 8.25E+6");
    EXPECT_EQ(Entry(*out1, 255), "1 255 3.22E+4");
    EXPECT_EQ(Entry(*out1, 256), "2 32 3.13E+4");
    EXPECT_EQ(Entry(*out1, 479), "2 255 4.03E+3");
    EXPECT_EQ(Entry(*out1, 480), "3 32 3.91E+3");
    EXPECT_EQ(Entry(*out1, 703), "3 255 5.04E+2");
    EXPECT_EQ(Entry(*out1, 704), "4 64 4.96E+2");
    EXPECT_EQ(Entry(*out1, 895), "4 255 1.26E+2");
    EXPECT_EQ(Entry(*out1, 896), "5 64 1.24E+2");
    EXPECT_EQ(Entry(*out1, 1087), "5 255 3.15E+1");
    EXPECT_EQ(Entry(*out2, 0), "1 0 8.25E+6");
    EXPECT_EQ(Entry(*out2, 255), "1 255 3.22E+4");
    EXPECT_EQ(Entry(*out2, 256), "9 0 3.22E+4");
    EXPECT_EQ(Entry(*out2, 511), "9 255 1.26E+2");
    EXPECT_EQ(Entry(*out2, 512), "15 4 1.01E+2");
    EXPECT_EQ(Entry(*out2, 763), "15 255 1.97E+0");
    EXPECT_EQ((*out2)[764].Frequency, 0.0f) << "the rest of the room stays empty";
}

TEST_F(FrequencyTables, SampleItems) {
    EXPECT_EQ(Entry(*out1, 2), "1 2 2.75E+6");
    EXPECT_EQ(Entry(*out1, 100), "1 100 8.17E+4");
    EXPECT_EQ(Entry(*out1, 300), "2 76 1.34E+4");
    EXPECT_EQ(Entry(*out1, 600), "3 152 8.43E+2");
    EXPECT_EQ(Entry(*out1, 800), "4 160 2.00E+2");
    EXPECT_EQ(Entry(*out1, 1000), "5 168 4.77E+1");
    EXPECT_EQ(Entry(*out2, 300), "9 44 7.16E+2");
    EXPECT_EQ(Entry(*out2, 600), "15 92 5.41E+0");
    EXPECT_EQ(Entry(*out2, 704), "15 196 2.56E+0");
}

TEST_F(FrequencyTables, ExactHalvesRoundUpAndTrailingZerosStay) {
    const std::pair<int, const char*> group1[] = {{1, "4.13E+6"},  {5, "1.38E+6"},  {11, "6.88E+5"},
                                                  {19, "4.13E+5"}, {43, "1.88E+5"}, {59, "1.38E+5"},
                                                  {87, "9.38E+4"}, {119, "6.88E+4"}, {199, "4.13E+4"}};
    for (const auto& [n, label] : group1) {
        EXPECT_EQ(Label(*out1, static_cast<std::size_t>(n)), label) << "N " << n;
        EXPECT_EQ(Label(*out2, static_cast<std::size_t>(n)), label) << "N " << n;
    }
    const std::pair<int, const char*> group2[] = {{32, "3.13E+4"}, {54, "1.88E+4"}, {74, "1.38E+4"},
                                                  {109, "9.38E+3"}, {149, "6.88E+3"}, {249, "4.13E+3"}};
    for (const auto& [n, label] : group2) EXPECT_EQ(Label(*out1, static_cast<std::size_t>(256 + n - 32)), label);
    EXPECT_EQ(Label(*out1, 10), "7.50E+5");
    EXPECT_EQ(FrequencyLabel(4125000.0f, ','), "4,13E+6");
    EXPECT_EQ(FrequencyLabel(750000.0f, ','), "7,50E+5");
    EXPECT_EQ(FrequencyLabel(1.9669532775878906f, '.'), "1.97E+0");
}

TEST_F(FrequencyTables, LabelsRepeatButEntriesKeepTheirOwnBytes) {
    std::set<std::string> labels1;
    std::set<std::string> labels2;
    for (std::size_t i = 0; i < out1Count; ++i) labels1.insert(Label(*out1, i));
    for (std::size_t i = 0; i < out2Count; ++i) labels2.insert(Label(*out2, i));
    EXPECT_EQ(labels1.size(), 1063u);
    EXPECT_EQ(labels2.size(), 736u);
    EXPECT_EQ(Label(*out2, 255), Label(*out2, 256));
    EXPECT_EQ(EntryFrequency(1, 255), EntryFrequency(256, 0));
    EXPECT_NE((*out2)[255].PrescalerCode, (*out2)[256].PrescalerCode);
}

TEST_F(FrequencyTables, FrequenciesFallAlongTheLists) {
    auto frequency = [](const std::vector<TPrescalerGroup>& groups, std::size_t index) {
        for (const TPrescalerGroup& g : groups) {
            const std::size_t size = 256u - g.FirstDivider;
            if (index < size) return EntryFrequency(g.Prescaler, static_cast<uint8_t>(g.FirstDivider + index));
            index -= size;
        }
        return 0.0f;
    };
    for (std::size_t i = 1; i < 1088; ++i) ASSERT_LT(frequency(OUT1Groups(), i), frequency(OUT1Groups(), i - 1)) << i;
    for (std::size_t i = 1; i < 764; ++i) {
        if (i == 256)
            ASSERT_EQ(frequency(OUT2Groups(), i), frequency(OUT2Groups(), i - 1));
        else
            ASSERT_LT(frequency(OUT2Groups(), i), frequency(OUT2Groups(), i - 1)) << i;
    }
}

}  // namespace
}  // namespace tavik::generator
