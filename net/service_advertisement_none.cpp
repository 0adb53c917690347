// Windows: no mDNS daemon the program binds to yet (see the README).
#include "service_advertisement.h"

namespace tavik::net {

std::unique_ptr<TServiceAdvertiser> Advertise(TEventLoop&, TAdvertisement,
                                              std::function<void(const std::string&)> notice) {
    if (notice) notice("not advertised over mDNS: tavik-cli.exe has no DNS-SD; type the resource string");
    return nullptr;
}

}  // namespace tavik::net
