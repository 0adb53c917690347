// UTF-16 to UTF-8 and back, whatever a firmware or a kernel put in the text.
#include <gtest/gtest.h>

#include "common/utf8_text.h"

namespace tavik {
namespace {

// Well-formed rows convert both ways; the broken ones only to UTF-8.
TEST(Utf8Text, EveryLengthAndBrokenSurrogates) {
    constexpr std::size_t WellFormed = 6;
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"VXLogger", "VXLogger"},
        {u"Тавик", "\xD0\xA2\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xBA"},
        {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},                           // two and three bytes
        {u"\U0001F50C", "\xF0\x9F\x94\x8C"},                                   // a surrogate pair
        {std::u16string(1, u'\0'), std::string(1, '\0')},
        {u"\uFFFF\u0800\u07FF\u0080\u007F", "\xEF\xBF\xBF\xE0\xA0\x80\xDF\xBF\xC2\x80\x7F"},  // the edges
        {std::u16string{0xD83D, u'x'}, "\xEF\xBF\xBDx"},                      // a high one alone
        {std::u16string{u'a', 0xDC0C}, "a\xEF\xBF\xBD"},                      // a low one alone
        {std::u16string{0xDC0C, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},         // in the wrong order
        {std::u16string{0xD83D}, "\xEF\xBF\xBD"},                             // cut at the end
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [utf16, utf8] = cases[i];
        EXPECT_EQ(Utf8Of(utf16), utf8) << utf8;
        if (i <= WellFormed) {
            EXPECT_EQ(Utf16Of(utf8), utf16) << utf8;
        }
    }
}

TEST(Utf8Text, EveryBrokenUtf8ByteBecomesOneReplacement) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\x80" "b", u"a\uFFFDb"},                    // a continuation alone
        {"\xD0", u"\uFFFD"},                        // cut at the end
        {"\xE2\x82", u"\uFFFD\uFFFD"},             // cut, each byte replaced
        {"\xC0\xAF", u"\uFFFD\uFFFD"},             // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xFF\xD0\xA2", u"\uFFFDТ"},
    };
    for (const auto& [utf8, utf16] : cases) EXPECT_EQ(Utf16Of(utf8), utf16) << utf8;
}

}  // namespace
}  // namespace tavik
