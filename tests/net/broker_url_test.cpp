// mqtt://HOST[:PORT] and mqtts:// as the user writes them: what is taken,
// with which port, and what is refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/broker_url.h"

namespace tavik::net {
namespace {

TEST(BrokerUrl, TakesAHostAndAPortOfEitherScheme) {
    struct TCase {
        const char* Text;
        std::optional<TBrokerUrl> Parsed;
    };
    const std::vector<TCase> cases = {
        {"mqtt://localhost", TBrokerUrl{false, "localhost", 1883}},
        {"mqtt://10.0.0.5:1884", TBrokerUrl{false, "10.0.0.5", 1884}},
        {"mqtts://broker.lab", TBrokerUrl{true, "broker.lab", 8883}},
        {"mqtts://my_broker-2.lab:65535", TBrokerUrl{true, "my_broker-2.lab", 65535}},
        {"mqtt://b:0", std::nullopt},
        {"mqtt://b:65536", std::nullopt},
        {"mqtt://b:01883", std::nullopt},
        {"mqtt://b:", std::nullopt},
        {"mqtt://", std::nullopt},
        {"mqtt://:1883", std::nullopt},
        {"mqtt://user:pw@b", std::nullopt},
        {"mqtt://b/topic", std::nullopt},
        {"mqtt://-b", std::nullopt},
        {"MQTT://b", std::nullopt},
        {"tcp://b", std::nullopt},
        {"b:1883", std::nullopt},
        {"mqtt://[::1]:1883", std::nullopt},
        {"", std::nullopt},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ParseBrokerUrl(c.Text), c.Parsed) << c.Text;
        if (c.Parsed) {
            EXPECT_EQ(ParseBrokerUrl(BrokerUrlText(*c.Parsed)), c.Parsed) << c.Text;
        }
    }
    EXPECT_EQ(BrokerUrlText(TBrokerUrl{true, "broker.lab", 8883}), "mqtts://broker.lab:8883");
}

}  // namespace
}  // namespace tavik::net
