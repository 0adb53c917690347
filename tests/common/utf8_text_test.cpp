// HID strings from UTF-16 to UTF-8, whatever a firmware put in them.
#include <gtest/gtest.h>

#include "common/utf8_text.h"

namespace tavik {
namespace {

TEST(Utf8Text, EveryLengthAndBrokenSurrogates) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"", ""},
        {u"VXLogger", "VXLogger"},
        {u"Тавик", "\xD0\xA2\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xBA"},
        {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},                           // two and three bytes
        {u"\U0001F50C", "\xF0\x9F\x94\x8C"},                                   // a surrogate pair
        {std::u16string(1, u'\0'), std::string(1, '\0')},
        {std::u16string{0xD83D, u'x'}, "\xEF\xBF\xBDx"},                      // a high one alone
        {std::u16string{u'a', 0xDC0C}, "a\xEF\xBF\xBD"},                      // a low one alone
        {std::u16string{0xDC0C, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},         // in the wrong order
        {std::u16string{0xD83D}, "\xEF\xBF\xBD"},                             // cut at the end
        {u"\uFFFF\u0800\u07FF\u0080\u007F", "\xEF\xBF\xBF\xE0\xA0\x80\xDF\xBF\xC2\x80\x7F"},  // the edges
    };
    for (const auto& [utf16, utf8] : cases) EXPECT_EQ(Utf8Of(utf16), utf8) << utf8;
}

}  // namespace
}  // namespace tavik
