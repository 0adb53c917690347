#pragma once
// What goes to the broker, as topics and payloads: the program's and each
// module's availability, Home Assistant's discovery configs and the readings.
// Pure text; the connection carries it.
//
//   PREFIX/status               online / offline (retained; offline is the will)
//   PREFIX/KIND/status          online while a module of the kind is bound
//   PREFIX/logger/voltage1      the voltmeter of channel 1, in volts ("1.234")
//   PREFIX/logger/voltage2
//   PREFIX/freqmeter/frequency  whole hertz ("100000")
//   PREFIX/freqmeter/input_in   1 or 0
//   homeassistant/sensor/ID/config, homeassistant/binary_sensor/ID/config
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/instrument_identity.h"

namespace tavik::mqtt {

struct TMqttMessage {
    std::string Topic;
    std::string Payload;
    int Qos = 0;
    bool Retain = false;

    bool operator==(const TMqttMessage&) const = default;
};

// The names every message is built from.
struct TMqttNames {
    std::string Prefix;  // of the readings and availability topics
    std::string Node;    // the board in unique IDs: its host name, made safe
    std::string Host;    // as the system names it, for the device names
    std::string Version; // the program's
    std::string Discovery = "homeassistant";
};

// A topic level or ID of letters, digits, '_' and '-' alone: everything
// else (MQTT's wildcards and level separator among it) becomes '_'.
std::string TopicSafe(std::string_view text);
// prefix empty: tavik/HOST.
TMqttNames NamesFor(std::string_view host, std::string_view prefix, std::string version);

// What a module of a kind publishes.
struct TQuantity {
    TInstrumentKind Kind;
    const char* Name;         // its topic level
    const char* Title;        // its name in Home Assistant
    const char* DeviceClass;  // Home Assistant's, or null
    const char* Unit;         // or null
    bool Binary;              // a binary sensor: 1 or 0
    int Decimals;             // the digits Home Assistant shows after the point, as the window does; -1: none
};
std::vector<TQuantity> QuantitiesOf(TInstrumentKind kind);

// PREFIX/status: retained, at least once. Its offline is the will too.
TMqttMessage Availability(const TMqttNames& names, bool online);
TMqttMessage ModuleAvailability(const TMqttNames& names, TInstrumentKind kind, bool online);

// One retained config for each of the kind's quantities. A reading older
// than expireAfterSeconds shows in Home Assistant as unavailable.
std::vector<TMqttMessage> DiscoveryConfigs(const TMqttNames& names, TInstrumentKind kind,
                                           const TModuleStrings& module, int expireAfterSeconds);

// A reading: at most once, not retained (a retained number outlives the
// module it came from).
TMqttMessage Reading(const TMqttNames& names, TInstrumentKind kind, std::string_view quantity, std::string value);
// The shortest text that reads back as the same number, with a dot.
std::string VoltsText(double volts);

}  // namespace tavik::mqtt
