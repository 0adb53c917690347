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
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mqtt_messages.h"
#include "net/broker_url.h"

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
    // for the broker to have it, and at most 2 s more for the network thread
    // to end: one still in a name lookup is left to end by itself.
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

    bool Connected() const;
    uint64_t Dropped() const;
    // What the network thread saw since the last call: connected, refused,
    // lost (with the system's or the broker's reason).
    std::vector<std::string> TakeNotices();

    // The client and what its thread shares with the loop's; the thread
    // holds it too, so that it may outlive this object.
    struct TLink;

private:
    std::shared_ptr<TLink> Link_;
};

}  // namespace tavik::mqtt
