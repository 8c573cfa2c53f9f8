// The logger's connection to the message broker: messages of QoS 1 in the order they were given, kept while
// the broker is away and delivered when it is back. The client keeps a persistent session (clean session
// off, its messages in flight kept), so a message the broker had not acknowledged when the connection broke
// is sent again. TOPIC/status is "online" (retained) after every connection, the broker's
// last will is "offline", and a clean stop publishes "offline" itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "logger/journal.h"

namespace zt30::logger {

struct MqttSettings {
    std::string broker;    // mqtt://HOST:PORT or mqtts://HOST:PORT (TLS)
    std::string topic;     // the prefix of every topic, without a trailing "/"
    std::string user;      // empty: no user name
    std::string password;  // only with a user
    std::string caFile;    // mqtts: the certificate authorities to trust; empty: the system's
    std::string clientId;  // the session's name at the broker; the same on every start of one logger
    // Where the client stores its messages in flight, one file each, so that they outlive the process; it
    // must exist. Empty: they are kept in memory only, which is what the logger does: its record files are
    // the lasting copy, and a file per message cost a fast line a twelfth of its readings.
    std::string stateFolder;
    std::size_t keptLimit = 100000;  // messages kept while the broker is away; beyond it the oldest go
};

class MqttPublisher {
public:
    virtual ~MqttPublisher() = default;
    // Starts connecting (in the background; it never waits for the broker) and goes on trying every second or
    // two while the broker is away. False with error when the client cannot even be made (a malformed
    // address, a CA file that cannot be read).
    virtual bool Start(std::string& error) = 0;
    // Hands over one message of QoS 1; never blocks and may be called from any thread. Messages are delivered
    // in the order given. While the broker is away they are kept, up to keptLimit; beyond it the oldest are
    // dropped, and the journal says how many once the broker is back.
    virtual void Publish(const std::string& topic, const std::string& payload, bool retained) = 0;
    // The clean stop: waits up to waitMs for every kept message to be acknowledged, publishes
    // TOPIC/status "offline" (retained), disconnects. Returns how many messages were not acknowledged.
    virtual std::size_t Stop(int waitMs) = 0;
    // True while connected to the broker.
    virtual bool Connected() const = 0;
    // Messages given and not yet acknowledged by the broker.
    virtual std::size_t Pending() const = 0;
};

// The publisher over the Paho MQTT C client (its asynchronous API); messages go to journal.
std::unique_ptr<MqttPublisher> MakeMqttPublisher(MqttSettings settings, Journal& journal);

}  // namespace zt30::logger
