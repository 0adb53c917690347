#pragma once
// This machine's name, as the recording's metadata, the MQTT topics and the
// advertisement on the network give it; empty when the system has none.
#include <string>

namespace tavik::cli {

std::string HostName();

}  // namespace tavik::cli
