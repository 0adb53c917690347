#include "cli_mqtt.h"

#include <cstdlib>
#include <fstream>

#include "host_name.h"
#include "mqtt/mqtt_connection.h"
#include "mqtt/mqtt_messages.h"
#include "mqtt/mqtt_publisher.h"
#include "stop_request.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "unknown"
#endif

namespace tavik::cli {

namespace {

// The publisher is declared after the connection it uses, so it goes first.
struct TPublishing final : TMqttEndpoint {
    explicit TPublishing(mqtt::TMqttSettings settings) : Connection(std::move(settings)) {}
    mqtt::TMqttConnection Connection;
    std::unique_ptr<mqtt::TMqttPublisher> Publisher;
};

// The password's first line, from the file or else the environment.
bool PasswordOf(const TCommand& command, std::string& password, std::string& error) {
    if (!command.MqttPasswordFile.empty()) {
        std::ifstream file(command.MqttPasswordFile);
        if (!file) {
            error = "the password file " + command.MqttPasswordFile + " cannot be read";
            return false;
        }
        std::getline(file, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
        return true;
    }
    if (const char* fromEnvironment = std::getenv("TAVIK_MQTT_PASSWORD")) password = fromEnvironment;
    return true;
}

}  // namespace

std::unique_ptr<TMqttEndpoint> StartMqtt(TInstrumentSession& session, TEventLoop& loop, const TCommand& command,
                                         TCliConsole& console) {
    const std::string host = HostName();
    const mqtt::TMqttNames names = mqtt::NamesFor(host.empty() ? "localhost" : host, command.MqttTopic, TAVIK_VERSION);
    mqtt::TMqttSettings settings;
    settings.Broker = *command.Mqtt;
    settings.User = command.MqttUser;
    settings.CaFile = command.MqttCa;
    settings.ClientId = "tavik-" + names.Node + "-" + std::to_string(getpid());
    settings.Will = mqtt::Availability(names, false);
    std::string error;
    if (!command.MqttUser.empty() && !PasswordOf(command, settings.Password, error)) {
        console.Complain(error);
        return nullptr;
    }
    const int everyMs = static_cast<int>(command.Every * 1000 + 0.5);
    auto publishing = std::make_unique<TPublishing>(std::move(settings));
    if (!publishing->Connection.Start(error)) {
        console.Complain(error);
        return nullptr;
    }
    publishing->Publisher = std::make_unique<mqtt::TMqttPublisher>(session, loop, publishing->Connection, names, everyMs);
    publishing->Publisher->OnNotice = [&console](const std::string& notice) { console.Complain(notice); };
    if (!console.Say("publishing to " + net::BrokerUrlText(*command.Mqtt) + " under " + names.Prefix))
        return nullptr;
    return publishing;
}

int PublishReadings(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console) {
    TInstrumentSession session(platform, loop, '.');
    const std::unique_ptr<TMqttEndpoint> endpoint = StartMqtt(session, loop, command, console);
    if (!endpoint) return ExitTransfer;
    while (!StopRequested()) loop.ProcessEvents(100);
    return ExitOk;
}

}  // namespace tavik::cli
