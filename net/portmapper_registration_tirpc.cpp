#include <netconfig.h>
#include <netinet/in.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>
#include <rpc/rpcb_clnt.h>
#include <unistd.h>

#include "portmapper_registration.h"

namespace tavik::net {

namespace {

// rpcbind's local socket: where it is not, none runs, and libtirpc would try
// the network and its timeouts before saying so.
constexpr const char* RpcbindSocket = "/run/rpcbind.sock";

uint16_t RegisteredPort(uint32_t program, uint32_t version) {
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return pmap_getport(&loopback, program, version, IPPROTO_TCP);
}

class TTirpcRegistration : public TPortmapperRegistration {
public:
    TTirpcRegistration(uint32_t program, uint32_t version, uint16_t port)
        : Program_(program), Version_(version), Port_(port) {}
    ~TTirpcRegistration() override {
        if (::access(RpcbindSocket, F_OK) == 0 && RegisteredPort(Program_, Version_) == Port_)
            pmap_unset(Program_, Version_);
    }

private:
    const uint32_t Program_;
    const uint32_t Version_;
    const uint16_t Port_;
};

}  // namespace

std::unique_ptr<TPortmapperRegistration> RegisterWithPortmapper(uint32_t program, uint32_t version, uint16_t port,
                                                                std::string& error) {
    if (::access(RpcbindSocket, F_OK) != 0) {
        error = "no portmapper runs here (rpcbind)";
        return nullptr;
    }
    pmap_unset(program, version);
    // rpcb_set with an address of our own: libtirpc's pmap_set loses the
    // address it makes on every call.
    netconfig* tcp = getnetconfigent("tcp");
    if (!tcp) {
        error = "no \"tcp\" transport in the system's netconfig";
        return nullptr;
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    netbuf address{sizeof any, sizeof any, &any};
    const bool registered = rpcb_set(program, version, tcp, &address);
    freenetconfigent(tcp);
    if (!registered) {
        error = "the portmapper (rpcbind) refused the registration";
        return nullptr;
    }
    return std::make_unique<TTirpcRegistration>(program, version, port);
}

}  // namespace tavik::net
