#pragma once
// A connection to an MQTT broker through libmosquitto. The network side runs
// on a thread of its own, so that nothing of it can hold up the loop: a name
// lookup, a connect to a broker that does not answer, a broker that reads
// slowly. The loop's thread only hands messages over (libmosquitto's publish
// is thread-safe and queues them).
//
// Lost, the connection is made again after 1, 2, 4 ... up to 30 s. While it
// is down nothing is queued: readings are dropped, and the retained
// messages (availability, discovery) are kept here, the latest of each
// topic, and published again on every connection. While it is up at most
// MaxWaitingReadings readings wait to be written; more are dropped.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mqtt_messages.h"
#include "net/broker_url.h"

struct mosquitto;

namespace tavik::mqtt {

struct TMqttSettings {
    net::TBrokerUrl Broker;
    std::string User;      // empty: none
    std::string Password;  // with a user
    std::string CaFile;    // mqtts: the CA of the broker's certificate; empty: the system's CAs
    std::string ClientId;
    TMqttMessage Will;     // what the broker publishes when the connection ends unannounced
    int KeepaliveSeconds = 30;
};

constexpr int MaxWaitingReadings = 64;
constexpr int MaxReconnectSeconds = 30;

class TMqttConnection {
public:
    explicit TMqttConnection(TMqttSettings settings);
    // Publishes offline when connected and disconnects, waiting at most 2 s
    // for the broker to have it.
    ~TMqttConnection();
    TMqttConnection(const TMqttConnection&) = delete;
    TMqttConnection& operator=(const TMqttConnection&) = delete;

    // Sets the client up and starts connecting; false with the reason when
    // the settings cannot be used (a CA file that cannot be read).
    bool Start(std::string& error);

    // Kept (the latest for its topic) and published on every connection,
    // and now when connected.
    void Retain(const TMqttMessage& message);
    // A reading: sent when connected and fewer than MaxWaitingReadings wait,
    // else dropped (false).
    bool Publish(const TMqttMessage& message);

    bool Connected() const { return Connected_; }
    uint64_t Dropped() const { return Dropped_; }
    uint64_t Connections() const { return Connections_; }
    // What the network thread saw since the last call: connected, refused,
    // lost (with the system's or the broker's reason).
    std::vector<std::string> TakeNotices();

private:
    static void ConnectDone(mosquitto* client, void* self, int code);
    static void Disconnected(mosquitto* client, void* self, int code);
    static void Written(mosquitto* client, void* self, int id);
    void Run();
    // With Mutex_ held.
    bool Send(const TMqttMessage& message);

    TMqttSettings Settings_;
    mosquitto* Client_ = nullptr;
    std::thread Network_;
    std::mutex Mutex_;  // Retained_, Notices_, Stopping_, and every publish
    std::condition_variable Wake_;
    std::map<std::string, TMqttMessage> Retained_;
    std::vector<std::string> Notices_;
    bool Stopping_ = false;
    std::atomic<bool> Connected_{false};
    std::atomic<bool> EverConnected_{false};
    std::atomic<int> Waiting_{0};
    std::atomic<int> DelaySeconds_{1};
    std::atomic<uint64_t> Dropped_{0};
    std::atomic<uint64_t> Connections_{0};
};

}  // namespace tavik::mqtt
