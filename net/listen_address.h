#pragma once
// Where the server listens: an IPv4 address and a port, as the user writes
// them ("127.0.0.1:5025"). Pure text handling, no sockets.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::net {

struct TListenAddress {
    std::array<uint8_t, 4> Octets{127, 0, 0, 1};
    uint16_t Port = 5025;  // the port of raw SCPI over TCP (LXI instruments); 0 lets the system pick one

    bool operator==(const TListenAddress&) const = default;
};

// "A.B.C.D:PORT": four decimal octets 0..255 and a decimal port 0..65535, no
// signs, spaces or leading zeros (a leading zero reads as octal elsewhere).
// Nothing when the text is not that.
std::optional<TListenAddress> ParseListenAddress(std::string_view text);

// "A.B.C.D:PORT", as parsed.
std::string ListenAddressText(const TListenAddress& address);

// 127.0.0.0/8: only programs on this machine reach it. Anything else lets
// whoever can reach the port drive the modules.
bool IsLoopback(const TListenAddress& address);

}  // namespace tavik::net
