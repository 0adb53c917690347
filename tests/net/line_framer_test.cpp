// Input cut into lines: terminators, lines split across reads and several in
// one, bytes passed as they are, and the limit (8 bytes here) with a "\r" that
// does not count against it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/line_framer.h"

namespace tavik::net {
namespace {

// Notes what it is given: each line in brackets, an overrun as "overrun".
class TNotingService : public TLineService {
public:
    void Line(std::string_view line, std::string& out) override {
        Events.push_back("[" + std::string(line) + "]");
        out += "answer\n";
    }
    void Overrun() override { Events.push_back("overrun"); }
    std::vector<std::string> Events;
};

struct TFramingCase {
    const char* Name;
    std::vector<std::string> Reads;
    std::vector<std::string> Events;
    std::size_t PendingAfter = 0;
};

using namespace std::string_literals;

TEST(LineFramer, CutsLinesAndSkipsOverruns) {
    const std::vector<TFramingCase> cases = {
        {"LF", {"one\n"}, {"[one]"}},
        {"CR LF", {"one\r\n"}, {"[one]"}},
        {"an inner CR stays", {"a\rb\n"}, {"[a\rb]"}},
        {"only the last CR goes", {"a\r\r\n"}, {"[a\r]"}},
        {"empty lines", {"\n\r\n"}, {"[]", "[]"}},
        {"split across reads", {"on", "e\r", "\ntwo\nthr"}, {"[one]", "[two]"}, 3},
        {"several in one read", {"a\nb\r\nc\n"}, {"[a]", "[b]", "[c]"}},
        {"NULs and invalid UTF-8", {"a\0b\xff\xc3(\n"s}, {"[a\0b\xff\xc3(]"s}},
        {"exactly the limit", {"12345678\n"}, {"[12345678]"}},
        {"the limit and CR LF", {"1234", "5678\r", "\n"}, {"[12345678]"}},
        {"one over", {"123456789\n", "next\n"}, {"overrun", "[next]"}},
        {"one over, then CR LF", {"123456789\r\n"}, {"overrun"}},
        {"one over in a CR", {"12345678\r\r\n"}, {"overrun"}},
        {"long, told once, in pieces", {"12345", "6789ab", "cdefghij", "k\nnext\n"}, {"overrun", "[next]"}},
        {"long and unfinished", {std::string(100, 'x')}, {"overrun"}},
        {"the line after an overrun starts clean", {std::string(20, 'x') + "\nab", "c\n"}, {"overrun", "[abc]"}},
    };
    for (const TFramingCase& c : cases) {
        TLineFramer framer(8);
        TNotingService service;
        std::string out;
        for (const std::string& read : c.Reads) framer.Feed(read, service, out);
        EXPECT_EQ(service.Events, c.Events) << c.Name;
        EXPECT_EQ(framer.Pending(), c.PendingAfter) << c.Name;
        std::size_t lines = 0;
        for (const std::string& event : service.Events) lines += event != "overrun";
        EXPECT_EQ(out.size(), lines * std::string("answer\n").size()) << c.Name << ": every answer kept, in one buffer";
    }
}

}  // namespace
}  // namespace tavik::net
