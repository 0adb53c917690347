#include "listen_address.h"

namespace tavik::net {

namespace {
// A decimal number up to max: digits only, no leading zero but "0" itself.
std::optional<uint32_t> ParseDecimal(std::string_view text, uint32_t max) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text.front() == '0')) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}
}  // namespace

std::optional<TListenAddress> ParseListenAddress(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::optional<uint32_t> port = ParseDecimal(text.substr(colon + 1), 65535);
    if (!port) return std::nullopt;
    TListenAddress address;
    address.Port = static_cast<uint16_t>(*port);
    std::string_view host = text.substr(0, colon);
    for (std::size_t i = 0; i < address.Octets.size(); ++i) {
        const std::size_t dot = i + 1 < address.Octets.size() ? host.find('.') : host.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::optional<uint32_t> octet = ParseDecimal(host.substr(0, dot), 255);
        if (!octet) return std::nullopt;
        address.Octets[i] = static_cast<uint8_t>(*octet);
        host.remove_prefix(dot == host.size() ? dot : dot + 1);
    }
    if (!host.empty()) return std::nullopt;
    return address;
}

std::string ListenAddressText(const TListenAddress& address) {
    std::string text;
    for (const uint8_t octet : address.Octets) {
        if (!text.empty()) text += '.';
        text += std::to_string(octet);
    }
    return text + ':' + std::to_string(address.Port);
}

bool IsLoopback(const TListenAddress& address) { return address.Octets[0] == 127; }

}  // namespace tavik::net
