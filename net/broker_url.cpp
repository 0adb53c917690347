#include "broker_url.h"

namespace tavik::net {

namespace {

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

std::optional<uint16_t> PortOf(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 || digits[0] == '0') return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<TBrokerUrl> ParseBrokerUrl(std::string_view text) {
    TBrokerUrl url;
    constexpr std::string_view Plain = "mqtt://", Secure = "mqtts://";
    if (text.substr(0, Plain.size()) == Plain) {
        text.remove_prefix(Plain.size());
    } else if (text.substr(0, Secure.size()) == Secure) {
        text.remove_prefix(Secure.size());
        url.Tls = true;
        url.Port = MqttTlsPort;
    } else {
        return std::nullopt;
    }
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-') return std::nullopt;
    for (const char c : host)
        if (!HostCharacter(c)) return std::nullopt;
    if (colon != std::string_view::npos) {
        const auto port = PortOf(text.substr(colon + 1));
        if (!port) return std::nullopt;
        url.Port = *port;
    }
    url.Host = std::string(host);
    return url;
}

std::string BrokerUrlText(const TBrokerUrl& url) {
    return std::string(url.Tls ? "mqtts://" : "mqtt://") + url.Host + ":" + std::to_string(url.Port);
}

}  // namespace tavik::net
