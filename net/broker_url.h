#pragma once
// Where an MQTT broker is, as the user writes it: mqtt://HOST[:PORT], or
// mqtts://HOST[:PORT] over TLS. Pure text handling, no sockets.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::net {

constexpr uint16_t MqttPort = 1883;
constexpr uint16_t MqttTlsPort = 8883;

struct TBrokerUrl {
    bool Tls = false;
    std::string Host;       // a name or a dotted IPv4 address
    uint16_t Port = MqttPort;

    bool operator==(const TBrokerUrl&) const = default;
};

// The scheme in lower case, a host of letters, digits, dots, hyphens and
// underscores (no user, no path: the user name is an option of its own and
// a password never goes on a command line), and a decimal port 1..65535 with
// no leading zero. Nothing when the text is not that.
std::optional<TBrokerUrl> ParseBrokerUrl(std::string_view text);

// As parsed, with its port always written.
std::string BrokerUrlText(const TBrokerUrl& url);

}  // namespace tavik::net
