#pragma once
// What the instrument says it is: the four fields of *IDN?, which the
// server's advertisement on the network carries too.
#include <string>

namespace tavik::scpi {

struct TScpiIdentity {
    std::string Manufacturer;
    std::string Model;
    std::string SerialNumber;  // "0": the program, not a module, is the instrument
    std::string FirmwareVersion;
};

const TScpiIdentity& Identity();

}  // namespace tavik::scpi
