// A subscriber for the publisher's tests, over the same Paho asynchronous client: it connects with a given
// client id and clean-session flag (reconnecting every second while the broker is away), subscribes to one
// filter at QoS 1 and keeps every message that arrives, in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace zt30::test {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
    std::chrono::steady_clock::time_point arrived;  // when the client library handed it over
};

class MqttSubscriber {
public:
    MqttSubscriber(const std::string& broker, const std::string& clientId, bool cleanSession);
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;
    ~MqttSubscriber();

    // Connects and subscribes to filter; false when that has not happened within 5 s.
    bool Subscribe(const std::string& filter);
    // Disconnects (a persistent session stays at the broker and collects messages).
    void Disconnect();
    // Waits up to timeoutMs until done(the messages so far) is true; returns its last answer.
    bool WaitFor(const std::function<bool(const std::vector<MqttMessage>&)>& done, int timeoutMs);
    std::vector<MqttMessage> Messages() const;

private:
    static int Arrived(void* context, char* topic, int topicLength, void* message);

    void* client_ = nullptr;
    bool clean_;
    std::string filter_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<MqttMessage> messages_;
    int subscribed_ = 0;  // 0 waiting, 1 done, -1 failed
};

}  // namespace zt30::test
