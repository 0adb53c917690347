// Rounding once, bit for bit: the results every CPU must give.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "common/exact_float.h"
#include "common/extended_float.h"
#include "common/number_text.h"

namespace tavik {
namespace {

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

TEST(ExactFloat, RoundsOnceToNearestWithTiesToEven) {
    EXPECT_EQ(RoundToFloat(16777217, 0), 16777216.0f) << "a tie goes to the even neighbour";
    EXPECT_EQ(RoundToFloat(16777219, 0), 16777220.0f);
    EXPECT_EQ(RoundToFloat(-16777219, 0), -16777220.0f);
    EXPECT_EQ(Bits(RoundToFloat(3, -150)), 0x00000002u) << "a tie below the normal range, still to even";
    EXPECT_EQ(RoundToFloat(1, -151), 0.0f);
    EXPECT_TRUE(std::isinf(RoundToFloat(1, 200)));
    // A part far below the last kept bit still decides a tie.
    EXPECT_EQ(RoundedSum(16777217, 0, 1, -200), 16777218.0f);
    EXPECT_EQ(RoundedSum(16777217, 0, -1, -200), 16777216.0f);
    EXPECT_EQ(RoundedSum(1, -200, 16777217, 0), 16777218.0f);
    // R / L for counts of 2^29 and more: dividing in double and then rounding
    // to float gives 0x3F924924, one step short.
    EXPECT_EQ(Bits(RoundedQuotient(613566760, 536870919)), 0x3F924925u);
    EXPECT_EQ(RoundedQuotient(-3, 4), -0.75f);
}

TEST(ExtendedFloat, ConstantsAndProductsAsTheExtendedFormatHoldsThem) {
    const TExtendedFloat kilo = ExtendedReciprocal(1000);
    EXPECT_EQ(kilo.Significand, 0x83126E978D4FDF3Bull);
    EXPECT_EQ(kilo.Exponent, -73);
    EXPECT_EQ(ExtendedReciprocal(1000000).Significand, 0x8637BD05AF6C69B6ull);
    const TExtendedFloat product = Multiply(ExtendedOf(1234500.0f), ExtendedReciprocal(1000000));
    const TDecimalDigits digits = DecimalDigits(product.Significand, product.Exponent);
    EXPECT_EQ(std::string(digits.Digits, 25), "1234500000000000000002602") << "just above the half";
    EXPECT_EQ(digits.Exponent, 1);
    EXPECT_TRUE(Multiply(ExtendedOf(-2.0f), kilo).Negative);
}

TEST(DecimalDigits, TheExactExpansionOfTheBinaryValue) {
    const TDecimalDigits tenth = DecimalDigits(0.1);
    EXPECT_EQ(std::string(tenth.Digits, tenth.Count), "1000000000000000055511151231257827021181583404541015625");
    EXPECT_EQ(tenth.Exponent, 0);
    const TDecimalDigits large = DecimalDigits(123456789012.0);
    EXPECT_EQ(std::string(large.Digits, large.Count), "123456789012");
    EXPECT_EQ(large.Exponent, 12);
    EXPECT_EQ(DecimalDigits(5e-324).Exponent, -323) << "the smallest double";
    EXPECT_EQ(DecimalDigits(5e-324).Count, 64);
}

}  // namespace
}  // namespace tavik
