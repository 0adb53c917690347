#pragma once
// An ONC RPC program's TCP port told to the system's portmapper (rpcbind),
// which is where VXI-11 clients ask for it (port 111), and taken back when
// the registration goes, unless another server has registered the program
// since. Where the system has no portmapper (not running, or Windows), there
// is no registration, and the error says why.
#include <cstdint>
#include <memory>
#include <string>

namespace tavik::net {

class TPortmapperRegistration {
public:
    virtual ~TPortmapperRegistration() = default;
};

// The last server to register the program has it: one registered before is
// replaced. Null with error saying why when the portmapper took nothing.
std::unique_ptr<TPortmapperRegistration> RegisterWithPortmapper(uint32_t program, uint32_t version, uint16_t port,
                                                                std::string& error);

}  // namespace tavik::net
