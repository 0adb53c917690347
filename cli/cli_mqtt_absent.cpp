// The Windows build: Debian has no libmosquitto for mingw-w64, and MQTT is
// not written here by hand; the metrics endpoint is there instead.
#include "cli_mqtt.h"

namespace tavik::cli {

namespace {

constexpr const char* Absent =
    "this tavik-cli publishes no MQTT (the Windows build has none); serve --metrics or metrics gives the readings to "
    "Prometheus";

}  // namespace

std::unique_ptr<TMqttEndpoint> StartMqtt(TInstrumentSession&, TEventLoop&, const TCommand&, TCliConsole& console) {
    console.Complain(Absent);
    return nullptr;
}

int PublishReadings(THidPlatform&, TEventLoop&, const TCommand&, TCliConsole& console) {
    console.Complain(Absent);
    return ExitUsage;
}

}  // namespace tavik::cli
