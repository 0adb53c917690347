#include "portmapper_registration.h"

namespace tavik::net {

std::unique_ptr<TPortmapperRegistration> RegisterWithPortmapper(uint32_t, uint32_t, uint16_t, std::string& error) {
    // Windows has no portmapper, and port 111 is not this program's to take.
    error = "Windows has no portmapper (rpcbind)";
    return nullptr;
}

}  // namespace tavik::net
