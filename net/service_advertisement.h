#pragma once
// A server told to the lab's tools: DNS-SD services over multicast DNS, as
// VISA's and lxi-tools' discovery look for LAN instruments, registered with
// the system's mDNS daemon (Avahi) while the advertisement lives and
// withdrawn when it goes. A daemon that is not running yet, or restarts, is
// waited for and registered with again; a name another host already uses is
// changed as DNS-SD has it ("Name #2").
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"

namespace tavik::net {

struct TAdvertisedService {
    std::string Type;  // "_scpi-raw._tcp"
    uint16_t Port = 0;
};

struct TAdvertisement {
    std::string Name;  // the instance's name, as discovery lists it (UTF-8)
    std::vector<TAdvertisedService> Services;
    std::vector<std::string> Txt;  // "key=value", in every service's TXT record
    // The address listened on: 0.0.0.0 advertises on every interface, any
    // other on the interface that has it.
    std::array<uint8_t, 4> Address{0, 0, 0, 0};
};

class TServiceAdvertiser {
public:
    virtual ~TServiceAdvertiser() = default;
};

// Starts advertising from the loop; notice tells what became of it, as it
// happens ("advertised as ...", a daemon waited for, a failure). Null, told,
// where the system offers no daemon the program can use.
std::unique_ptr<TServiceAdvertiser> Advertise(TEventLoop& loop, TAdvertisement advertisement,
                                              std::function<void(const std::string&)> notice);

}  // namespace tavik::net
