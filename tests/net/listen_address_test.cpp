// ADDRESS:PORT as the user writes it: what is taken, what is refused, and
// which addresses only this machine reaches.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/listen_address.h"

namespace tavik::net {
namespace {

TEST(ListenAddress, TakesDottedIpv4AndAPort) {
    struct TCase {
        const char* Text;
        std::optional<TListenAddress> Parsed;
    };
    const std::vector<TCase> cases = {
        {"127.0.0.1:5025", TListenAddress{{127, 0, 0, 1}, 5025}},
        {"0.0.0.0:5025", TListenAddress{{0, 0, 0, 0}, 5025}},
        {"192.168.10.255:65535", TListenAddress{{192, 168, 10, 255}, 65535}},
        {"10.0.0.1:0", TListenAddress{{10, 0, 0, 1}, 0}},
        {"127.0.0.1:65536", std::nullopt},
        {"127.0.0.1:", std::nullopt},
        {"127.0.0.1", std::nullopt},
        {":5025", std::nullopt},
        {"127.0.0.1:05025", std::nullopt},
        {"127.0.0.1:+5025", std::nullopt},
        {"127.0.0.1:5025 ", std::nullopt},
        {"256.0.0.1:5025", std::nullopt},
        {"127.0.0:5025", std::nullopt},
        {"127.0.0.1.1:5025", std::nullopt},
        {"127..0.1:5025", std::nullopt},
        {"127.0.0.01:5025", std::nullopt},
        {"localhost:5025", std::nullopt},
        {"[::1]:5025", std::nullopt},
        {"", std::nullopt},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ParseListenAddress(c.Text), c.Parsed) << c.Text;
        if (c.Parsed) {
            EXPECT_EQ(ListenAddressText(*c.Parsed), c.Text) << "the text comes back as written";
        }
    }
}

TEST(ListenAddress, OnlyTheLoopbackNetIsLoopback) {
    EXPECT_TRUE(IsLoopback({{127, 0, 0, 1}, 5025}));
    EXPECT_TRUE(IsLoopback({{127, 255, 1, 2}, 5025}));
    EXPECT_FALSE(IsLoopback({{0, 0, 0, 0}, 5025})) << "every interface";
    EXPECT_FALSE(IsLoopback({{128, 0, 0, 1}, 5025}));
    EXPECT_FALSE(IsLoopback({{192, 168, 0, 1}, 5025}));
}

}  // namespace
}  // namespace tavik::net
