#include "mqtt_connection.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <utility>

namespace tavik::mqtt {

namespace {

std::once_flag LibraryReady;

std::string ReasonOf(int code) {
    if (code == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(code);
}

}  // namespace

TMqttConnection::TMqttConnection(TMqttSettings settings) : Settings_(std::move(settings)) {}

TMqttConnection::~TMqttConnection() {
    if (!Client_) return;
    {
        std::unique_lock lock(Mutex_);
        if (Connected_) {
            TMqttMessage farewell = Settings_.Will;
            Send(farewell);
            mosquitto_disconnect(Client_);
            // The network thread writes both and hears the end.
            Wake_.wait_for(lock, std::chrono::seconds(2), [this] { return !Connected_; });
        }
        Stopping_ = true;
    }
    Wake_.notify_all();
    if (Network_.joinable()) Network_.join();
    mosquitto_destroy(Client_);
}

bool TMqttConnection::Start(std::string& error) {
    std::call_once(LibraryReady, [] { mosquitto_lib_init(); });
    // A broker that closes the connection must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    Client_ = mosquitto_new(Settings_.ClientId.c_str(), true, this);
    if (!Client_) {
        error = "MQTT: " + ReasonOf(MOSQ_ERR_ERRNO);
        return false;
    }
    mosquitto_threaded_set(Client_, true);
    mosquitto_int_option(Client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(Client_, &TMqttConnection::ConnectDone);
    mosquitto_disconnect_callback_set(Client_, &TMqttConnection::Disconnected);
    mosquitto_publish_callback_set(Client_, &TMqttConnection::Written);
    const TMqttMessage& will = Settings_.Will;
    int code = mosquitto_will_set(Client_, will.Topic.c_str(), static_cast<int>(will.Payload.size()), will.Payload.data(),
                                  will.Qos, will.Retain);
    if (code == MOSQ_ERR_SUCCESS && !Settings_.User.empty())
        code = mosquitto_username_pw_set(Client_, Settings_.User.c_str(),
                                         Settings_.Password.empty() ? nullptr : Settings_.Password.c_str());
    if (code == MOSQ_ERR_SUCCESS && Settings_.Broker.Tls)
        code = mosquitto_tls_set(Client_, Settings_.CaFile.empty() ? nullptr : Settings_.CaFile.c_str(),
                                 Settings_.CaFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
    if (code != MOSQ_ERR_SUCCESS) {
        error = "MQTT: " + ReasonOf(code) + (Settings_.Broker.Tls ? " (the CA file " + Settings_.CaFile + ")" : "");
        return false;
    }
    Network_ = std::thread([this] { Run(); });
    return true;
}

void TMqttConnection::Run() {
    const std::string where = net::BrokerUrlText(Settings_.Broker);
    // The first attempt here too: even a name lookup stays off the loop.
    int code = mosquitto_connect_async(Client_, Settings_.Broker.Host.c_str(), Settings_.Broker.Port,
                                       Settings_.KeepaliveSeconds);
    for (;;) {
        if (code == MOSQ_ERR_SUCCESS) code = mosquitto_loop(Client_, 1000, 1);
        std::unique_lock lock(Mutex_);
        if (Stopping_) return;
        if (code == MOSQ_ERR_SUCCESS) continue;
        Connected_ = false;
        Wake_.notify_all();
        const int delay = DelaySeconds_;
        Notices_.push_back("MQTT: " + where + ": " + ReasonOf(code) + "; trying again in " + std::to_string(delay) + " s");
        if (Wake_.wait_for(lock, std::chrono::seconds(delay), [this] { return Stopping_; })) return;
        DelaySeconds_ = std::min(delay * 2, MaxReconnectSeconds);
        lock.unlock();
        code = mosquitto_reconnect_async(Client_);
    }
}

void TMqttConnection::ConnectDone(mosquitto*, void* self, int code) {
    auto& connection = *static_cast<TMqttConnection*>(self);
    std::lock_guard lock(connection.Mutex_);
    if (code != 0) {
        connection.Notices_.push_back("MQTT: the broker refused the connection: " +
                                      std::string(mosquitto_connack_string(code)));
        return;
    }
    connection.Connected_ = true;
    connection.EverConnected_ = true;
    connection.DelaySeconds_ = 1;
    connection.Waiting_ = 0;
    ++connection.Connections_;
    connection.Notices_.push_back("MQTT: connected to " + net::BrokerUrlText(connection.Settings_.Broker));
    for (const auto& [topic, message] : connection.Retained_) connection.Send(message);
}

void TMqttConnection::Disconnected(mosquitto*, void* self, int) {
    auto& connection = *static_cast<TMqttConnection*>(self);
    connection.Connected_ = false;
    connection.Wake_.notify_all();
}

void TMqttConnection::Written(mosquitto*, void* self, int) {
    auto& connection = *static_cast<TMqttConnection*>(self);
    if (connection.Waiting_ > 0) --connection.Waiting_;
}

bool TMqttConnection::Send(const TMqttMessage& message) {
    ++Waiting_;
    const int code = mosquitto_publish(Client_, nullptr, message.Topic.c_str(), static_cast<int>(message.Payload.size()),
                                       message.Payload.data(), message.Qos, message.Retain);
    if (code == MOSQ_ERR_SUCCESS) return true;
    --Waiting_;
    return false;
}

void TMqttConnection::Retain(const TMqttMessage& message) {
    std::lock_guard lock(Mutex_);
    Retained_[message.Topic] = message;
    if (Connected_) Send(message);
}

bool TMqttConnection::Publish(const TMqttMessage& message) {
    std::lock_guard lock(Mutex_);
    if (!Connected_ || Waiting_ >= MaxWaitingReadings || !Send(message)) {
        ++Dropped_;
        return false;
    }
    return true;
}

std::vector<std::string> TMqttConnection::TakeNotices() {
    std::lock_guard lock(Mutex_);
    return std::exchange(Notices_, {});
}

}  // namespace tavik::mqtt
