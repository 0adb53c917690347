// The integer test, case by case.
#include <gtest/gtest.h>

#include "common/integer_text.h"

namespace tavik {
namespace {

TEST(IntegerText, Passes) {
    const std::pair<const char*, int32_t> cases[] = {
        {"100000", 100000}, {"  -5", -5},          {"$1F", 31},          {"x1F", 31},
        {"0x1F", 31},       {"0X1f", 31},          {"$FFFFFFFF", -1},    {"-0x10", -16},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"+7", 7}, {"007", 7},
        {"$80000000", INT32_MIN}, {"-$80000000", INT32_MIN}, {"0", 0}, {"-0", 0},
    };
    for (const auto& [text, value] : cases) {
        const auto parsed = ParseInteger(text);
        ASSERT_TRUE(parsed) << '"' << text << '"';
        EXPECT_EQ(*parsed, value) << '"' << text << '"';
    }
}

TEST(IntegerText, Fails) {
    for (const char* text : {"2147483648", "-2147483649", "1e5", "1,5", "12 ", "+-5", "$", "   ", "", "0x", "x",
                             "$123456789", "0x1G", "1.0", "\t5", "5-", "--5", "99999999999999999999", "٣"})
        EXPECT_FALSE(ParseInteger(text)) << '"' << text << '"';
}

}  // namespace
}  // namespace tavik
