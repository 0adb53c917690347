#include "scpi_identity.h"

#include "common/utf8_text.h"
#include "device/instrument_identity.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "unknown"
#endif

namespace tavik::scpi {

const TScpiIdentity& Identity() {
    static const TScpiIdentity identity{Utf8Of(FirstManufacturerString), "Tavik", "0", TAVIK_VERSION};
    return identity;
}

}  // namespace tavik::scpi
