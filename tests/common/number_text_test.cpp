// Number texts: the fixed-point format and the parser for typed voltages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/number_text.h"

namespace tavik {
namespace {

TEST(FixedText, RoundsOnceToTheCoarserOfDigitsAndDecimals) {
    EXPECT_EQ(FixedText(3.76575, 4, 2, '.'), "3.77");
    EXPECT_EQ(FixedText(3.76575, 5, 3, '.'), "3.766");
    EXPECT_EQ(FixedText(1.0, 4, 3, ','), "1,000");
    EXPECT_EQ(FixedText(0.0, 5, 3, ','), "0,000");
    EXPECT_EQ(FixedText(-0.00735, 5, 3, ','), "-0,007");
    EXPECT_EQ(FixedText(-0.0004, 5, 3, ','), "0,000") << "no sign on a value that rounds to zero";
    EXPECT_EQ(FixedText(0.0006, 5, 3, '.'), "0.001");
    EXPECT_EQ(FixedText(9.9996, 5, 3, '.'), "10.000");
    EXPECT_EQ(FixedText(123.456, 4, 2, '.'), "123.50") << "four significant digits, then padded";
    EXPECT_EQ(FixedText(2.125, 4, 2, '.'), "2.13") << "an exact half rounds away from zero";
    EXPECT_EQ(FixedText(-2.125, 4, 2, '.'), "-2.13");
    EXPECT_EQ(FixedText(12345.678, 4, 2, '.'), "1.235E+04") << "the integer part needs more than four digits";
}

TEST(ParseLocaleFloat, AcceptsTheLocaleSyntax) {
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("3,3", ','), 3.3f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("  -2,5  ", ','), -2.5f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("+5", ','), 5.0f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("1,5E1", ','), 15.0f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("2e-1", '.'), 0.2f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat(",5", ','), 0.5f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("5,", ','), 5.0f);
    EXPECT_FLOAT_EQ(*ParseLocaleFloat("3.3", '.'), 3.3f);
    // Any length: digits past what a float holds change nothing.
    EXPECT_EQ(ParseLocaleFloat("1," + std::string(200, '0'), ','), 1.0f);
    EXPECT_EQ(ParseLocaleFloat(std::string(300, '0') + "2,5" + std::string(300, '0') + "e0", ','), 2.5f);
}

TEST(ParseLocaleFloat, RejectsWhatIsNotSuchANumber) {
    for (const char* text : {"", "   ", "3,3x", "3.3", "x", ",", "-", "1e", "1e+", "1,2,3", "--1", "1 2", "0x10",
                             "inf", "nan", "1e39", "-1e39"})
        EXPECT_FALSE(ParseLocaleFloat(text, ',')) << '"' << text << '"';
    EXPECT_FALSE(ParseLocaleFloat("5,0", '.')) << "a comma under a point locale";
    EXPECT_FALSE(ParseLocaleFloat(std::string(500, '9'), ','));
    EXPECT_FALSE(ParseLocaleFloat("В", ','));
}

TEST(ParseLocaleFloat, TinyValuesReadAsZero) {
    EXPECT_EQ(*ParseLocaleFloat("1e-400", ','), 0.0f);
}

}  // namespace
}  // namespace tavik
