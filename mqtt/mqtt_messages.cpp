#include "mqtt_messages.h"

#include <charconv>
#include <cstdio>

namespace tavik::mqtt {

namespace {

constexpr const char* OnlineText = "online";
constexpr const char* OfflineText = "offline";

std::string Json(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;  // UTF-8 passes as it is
        }
    }
    return out + "\"";
}

std::string Field(std::string_view name, std::string_view text) { return Json(name) + ":" + Json(text); }

std::string KindTopic(const TMqttNames& names, TInstrumentKind kind) { return names.Prefix + "/" + InfoOf(kind).Name; }

}  // namespace

std::string TopicSafe(std::string_view text) {
    std::string safe;
    for (const char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        safe += keep ? c : '_';
    }
    return safe.empty() ? "_" : safe;
}

TMqttNames NamesFor(std::string_view host, std::string_view prefix, std::string version) {
    TMqttNames names;
    names.Node = TopicSafe(host);
    names.Host = std::string(host);
    names.Prefix = prefix.empty() ? "tavik/" + names.Node : std::string(prefix);
    names.Version = std::move(version);
    return names;
}

std::vector<TQuantity> QuantitiesOf(TInstrumentKind kind) {
    switch (kind) {
    case TInstrumentKind::Logger:
        return {{kind, "voltage1", "Напряжение 1", "voltage", "V", false, 3},
                {kind, "voltage2", "Напряжение 2", "voltage", "V", false, 3}};
    case TInstrumentKind::FrequencyMeter:
        return {{kind, "frequency", "Частота", "frequency", "Hz", false, 0},
                {kind, "input_in", "Вход IN", nullptr, nullptr, true, -1}};
    case TInstrumentKind::Generator: break;
    }
    return {};  // the generator is set, never read
}

TMqttMessage Availability(const TMqttNames& names, bool online) {
    return {names.Prefix + "/status", online ? OnlineText : OfflineText, 1, true};
}

TMqttMessage ModuleAvailability(const TMqttNames& names, TInstrumentKind kind, bool online) {
    return {KindTopic(names, kind) + "/status", online ? OnlineText : OfflineText, 1, true};
}

std::vector<TMqttMessage> DiscoveryConfigs(const TMqttNames& names, TInstrumentKind kind,
                                           const TModuleStrings& module, int expireAfterSeconds) {
    const std::string device = "tavik_" + names.Node + "_" + InfoOf(kind).Name;
    const std::string deviceBlock = "{\"identifiers\":[" + Json(device) + "]," +
                                    Field("name", "Тавик " + module.Product + " (" + names.Host + ")") + "," +
                                    Field("manufacturer", module.Manufacturer) + "," + Field("model", module.Product) +
                                    (module.Serial.empty() ? "" : "," + Field("serial_number", module.Serial)) + "," +
                                    Field("sw_version", names.Version) + "}";
    const std::string availability = "[{" + Field("topic", Availability(names, true).Topic) + "},{" +
                                     Field("topic", ModuleAvailability(names, kind, true).Topic) + "}]";
    std::vector<TMqttMessage> configs;
    for (const TQuantity& quantity : QuantitiesOf(kind)) {
        const std::string id = device + "_" + quantity.Name;
        std::string payload = "{" + Field("name", quantity.Title) + "," + Field("unique_id", id) + "," +
                              Field("object_id", id) + "," +
                              Field("state_topic", KindTopic(names, kind) + "/" + quantity.Name) + ",";
        if (quantity.DeviceClass) payload += Field("device_class", quantity.DeviceClass) + ",";
        if (quantity.Unit) payload += Field("unit_of_measurement", quantity.Unit) + "," + Field("state_class", "measurement") + ",";
        if (quantity.Decimals >= 0)
            payload += "\"suggested_display_precision\":" + std::to_string(quantity.Decimals) + ",";
        if (quantity.Binary) payload += Field("payload_on", "1") + "," + Field("payload_off", "0") + ",";
        payload += "\"expire_after\":" + std::to_string(expireAfterSeconds) + ",\"availability\":" + availability + "," +
                   Field("availability_mode", "all") + ",\"device\":" + deviceBlock + "}";
        const char* component = quantity.Binary ? "binary_sensor" : "sensor";
        configs.push_back({names.Discovery + "/" + component + "/" + id + "/config", std::move(payload), 1, true});
    }
    return configs;
}

TMqttMessage Reading(const TMqttNames& names, TInstrumentKind kind, std::string_view quantity, std::string value) {
    return {KindTopic(names, kind) + "/" + std::string(quantity), std::move(value), 0, false};
}

std::string VoltsText(double volts) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, volts).ptr;
    return std::string(text, end);
}

}  // namespace tavik::mqtt
