// What tavik-sim makes of a line on its standard input: a typo is answered,
// never the end of the program.
#include <gtest/gtest.h>

#include "sim/sim_command.h"

namespace tavik::sim {
namespace {

using TVerb = TSimCommand::TVerb;

TEST(SimCommand, GoodLinesAndBadOnes) {
    EXPECT_EQ(ParseSimCommand("").Verb, TVerb::None);
    EXPECT_EQ(ParseSimCommand("quit").Verb, TVerb::Quit);
    const TSimCommand unplug = ParseSimCommand("unplug logger2");
    EXPECT_EQ(unplug.Verb, TVerb::Unplug);
    EXPECT_EQ(unplug.Module, "logger2");
    // The frequency meter under both its names, printed as one.
    EXPECT_EQ(ParseSimCommand("plug meter2").Module, "freqmeter2");
    EXPECT_EQ(ParseSimCommand("unplug freqmeter").Module, "freqmeter");
    const TSimCommand count = ParseSimCommand("count -5000");
    EXPECT_EQ(count.Verb, TVerb::Count);
    EXPECT_EQ(count.Count, -5000);
    EXPECT_TRUE(ParseSimCommand("in 1").InputIn);
    const TSimCommand late = ParseSimCommand("late meter 1500");
    EXPECT_EQ(late.Verb, TVerb::Late);
    EXPECT_EQ(late.Module, "freqmeter");
    EXPECT_EQ(late.LateMs, 1500);
    EXPECT_EQ(ParseSimCommand("hang logger").Verb, TVerb::Hang);
    EXPECT_EQ(ParseSimCommand("answer meter2").Module, "freqmeter2");
    for (const char* bad : {"count abc", "count 12x", "count 99999999999", "count", "in 2", "plug", "plug fly", "plug meter0", "unplug logger2x", "fly away",
                            "quit now", "count 5 6", "plug logger 5", "late logger", "late logger 4001", "late fly 10",
                            "late logger 10 20", "hang", "hang logger 5", "answer fly"}) {
        const TSimCommand command = ParseSimCommand(bad);
        EXPECT_EQ(command.Verb, TVerb::Error) << bad;
        EXPECT_FALSE(command.Error.empty()) << bad;
    }
    EXPECT_EQ(ParseSimCommand("count abc").Error, "count needs a whole number of hertz, not 'abc'");
}

}  // namespace
}  // namespace tavik::sim
