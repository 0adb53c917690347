#include "mqtt_connection.h"

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace tavik::mqtt {

namespace {

std::once_flag LibraryReady;

// The system's or libmosquitto's words, without a closing full stop.
std::string ReasonOf(int code) {
    std::string reason = code == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(code);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

}  // namespace

struct TMqttConnection::TLink {
    explicit TLink(TMqttSettings settings) : Settings(std::move(settings)) {}
    ~TLink() {
        if (Client) mosquitto_destroy(Client);
    }

    // The network thread: connects, runs the client, and after a loss waits
    // and connects again until told to stop.
    void Run();
    // With Mutex held.
    bool Send(const TMqttMessage& message);

    static void ConnectDone(mosquitto* client, void* self, int code);
    static void Disconnected(mosquitto* client, void* self, int code);
    static void Written(mosquitto* client, void* self, int id);

    const TMqttSettings Settings;
    mosquitto* Client = nullptr;
    std::mutex Mutex;  // Retained, Notices, Stopping, Ended, and every publish
    std::condition_variable Wake;
    std::map<std::string, TMqttMessage> Retained;
    std::vector<std::string> Notices;
    bool Stopping = false;
    bool Ended = false;
    std::atomic<bool> Connected{false};
    std::atomic<int> Waiting{0};
    int DelaySeconds = 1;  // the network thread's
    std::atomic<uint64_t> Dropped{0};
};

void TMqttConnection::TLink::Run() {
    const std::string where = net::BrokerUrlText(Settings.Broker);
    // The first attempt here too: even a name lookup stays off the loop.
    int code = mosquitto_connect_async(Client, Settings.Broker.Host.c_str(), Settings.Broker.Port,
                                       Settings.KeepaliveSeconds);
    for (;;) {
        if (code == MOSQ_ERR_SUCCESS) code = mosquitto_loop(Client, 1000, 1);
        std::unique_lock lock(Mutex);
        if (Stopping) break;
        if (code == MOSQ_ERR_SUCCESS) continue;
        Connected = false;
        Wake.notify_all();
        Notices.push_back("MQTT: " + where + ": " + ReasonOf(code) + "; trying again in " +
                          std::to_string(DelaySeconds) + " s");
        if (Wake.wait_for(lock, std::chrono::seconds(DelaySeconds), [this] { return Stopping; })) break;
        DelaySeconds = std::min(DelaySeconds * 2, MaxReconnectSeconds);
        lock.unlock();
        code = mosquitto_reconnect_async(Client);
    }
    std::lock_guard lock(Mutex);
    Ended = true;
    Wake.notify_all();
}

void TMqttConnection::TLink::ConnectDone(mosquitto*, void* self, int code) {
    auto& link = *static_cast<TLink*>(self);
    std::lock_guard lock(link.Mutex);
    if (code != 0) {
        link.Notices.push_back("MQTT: the broker refused the connection: " + std::string(mosquitto_connack_string(code)));
        return;
    }
    link.Connected = true;
    link.DelaySeconds = 1;
    link.Waiting = 0;
    link.Notices.push_back("MQTT: connected to " + net::BrokerUrlText(link.Settings.Broker));
    for (const auto& [topic, message] : link.Retained) link.Send(message);
}

void TMqttConnection::TLink::Disconnected(mosquitto*, void* self, int) {
    auto& link = *static_cast<TLink*>(self);
    std::lock_guard lock(link.Mutex);
    link.Connected = false;
    link.Wake.notify_all();
}

void TMqttConnection::TLink::Written(mosquitto*, void* self, int) {
    auto& link = *static_cast<TLink*>(self);
    if (link.Waiting > 0) --link.Waiting;
}

bool TMqttConnection::TLink::Send(const TMqttMessage& message) {
    ++Waiting;
    const int code = mosquitto_publish(Client, nullptr, message.Topic.c_str(), static_cast<int>(message.Payload.size()),
                                       message.Payload.data(), message.Qos, message.Retain);
    if (code == MOSQ_ERR_SUCCESS) return true;
    --Waiting;
    return false;
}

TMqttConnection::TMqttConnection(TMqttSettings settings) : Link_(std::make_shared<TLink>(std::move(settings))) {}

TMqttConnection::~TMqttConnection() {
    if (!Link_->Client) return;
    TLink& link = *Link_;
    std::unique_lock lock(link.Mutex);
    if (link.Connected) {
        link.Send(link.Settings.Will);
        mosquitto_disconnect(link.Client);
        // The network thread writes both and hears the end.
        link.Wake.wait_for(lock, std::chrono::seconds(2), [&link] { return !link.Connected; });
    }
    link.Stopping = true;
    link.Wake.notify_all();
    // A thread in a name lookup or a connect ends when that returns, and
    // the link with it.
    link.Wake.wait_for(lock, std::chrono::seconds(2), [&link] { return link.Ended; });
}

bool TMqttConnection::Start(std::string& error) {
    std::call_once(LibraryReady, [] { mosquitto_lib_init(); });
    // A broker that closes the connection must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    TLink& link = *Link_;
    const TMqttSettings& settings = link.Settings;
    link.Client = mosquitto_new(settings.ClientId.c_str(), true, &link);
    if (!link.Client) {
        error = "MQTT: " + ReasonOf(MOSQ_ERR_ERRNO);
        return false;
    }
    mosquitto_threaded_set(link.Client, true);
    mosquitto_int_option(link.Client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(link.Client, &TLink::ConnectDone);
    mosquitto_disconnect_callback_set(link.Client, &TLink::Disconnected);
    mosquitto_publish_callback_set(link.Client, &TLink::Written);
    const TMqttMessage& will = settings.Will;
    int code = mosquitto_will_set(link.Client, will.Topic.c_str(), static_cast<int>(will.Payload.size()),
                                  will.Payload.data(), will.Qos, will.Retain);
    if (code == MOSQ_ERR_SUCCESS && !settings.User.empty())
        code = mosquitto_username_pw_set(link.Client, settings.User.c_str(),
                                         settings.Password.empty() ? nullptr : settings.Password.c_str());
    if (code == MOSQ_ERR_SUCCESS && settings.Broker.Tls)
        code = mosquitto_tls_set(link.Client, settings.CaFile.empty() ? nullptr : settings.CaFile.c_str(),
                                 settings.CaFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
    if (code != MOSQ_ERR_SUCCESS) {
        error = "MQTT: " + ReasonOf(code) + (settings.Broker.Tls ? " (the CA file " + settings.CaFile + ")" : "");
        return false;
    }
    std::thread([link = Link_] { link->Run(); }).detach();
    return true;
}

void TMqttConnection::Retain(const TMqttMessage& message) {
    std::lock_guard lock(Link_->Mutex);
    Link_->Retained[message.Topic] = message;
    if (Link_->Connected) Link_->Send(message);
}

bool TMqttConnection::Publish(const TMqttMessage& message) {
    TLink& link = *Link_;
    std::lock_guard lock(link.Mutex);
    if (!link.Connected || link.Waiting >= MaxWaitingReadings || !link.Send(message)) {
        ++link.Dropped;
        return false;
    }
    return true;
}

bool TMqttConnection::Connected() const { return Link_->Connected; }
uint64_t TMqttConnection::Dropped() const { return Link_->Dropped; }

std::vector<std::string> TMqttConnection::TakeNotices() {
    std::lock_guard lock(Link_->Mutex);
    return std::exchange(Link_->Notices, {});
}

}  // namespace tavik::mqtt
