#include <gtest/gtest.h>

#include <string>

#include "common/failure_reason.h"

namespace tavik {
namespace {

// A reason fits its buffer or is cut there, before a UTF-8 sequence it would
// split; an empty one says "failed".
TEST(FailureReason, IsWordedAndCutWithinItsBuffer) {
    const std::size_t room = TFailureReason::Capacity - std::string("GetFeature: ").size();
    const struct {
        std::string Reason;
        std::string Text;
    } cases[] = {
        {"device removed", "GetFeature: device removed"},
        {"", "GetFeature: failed"},
        {std::string(room, 'x'), "GetFeature: " + std::string(room, 'x')},
        {std::string(room + 5, 'x'), "GetFeature: " + std::string(room, 'x')},
        {std::string(room - 1, 'x') + "ж", "GetFeature: " + std::string(room - 1, 'x')},
    };
    for (const auto& c : cases) {
        TFailureReason reason;
        reason.Set("GetFeature", c.Reason);
        EXPECT_EQ(reason.Text(), c.Text);
    }
    TFailureReason reason;
    reason.Set("SetFeature", "device removed");
    reason.Clear();
    EXPECT_TRUE(reason.Empty());
}

}  // namespace
}  // namespace tavik
