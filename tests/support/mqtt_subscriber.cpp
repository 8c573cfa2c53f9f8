#include "mqtt_subscriber.h"

#include <MQTTAsync.h>

#include <chrono>

namespace zt30::test {

MqttSubscriber::MqttSubscriber(const std::string& broker, const std::string& clientId, bool cleanSession)
    : clean_(cleanSession) {
    MQTTAsync client = nullptr;
    if (MQTTAsync_create(&client, broker.c_str(), clientId.c_str(), MQTTCLIENT_PERSISTENCE_NONE, nullptr) ==
        MQTTASYNC_SUCCESS) {
        client_ = client;
        MQTTAsync_setCallbacks(
            client, this, nullptr,
            [](void* context, char* topic, int length, MQTTAsync_message* message) {
                return Arrived(context, topic, length, message);
            },
            nullptr);
    }
}

MqttSubscriber::~MqttSubscriber() {
    Disconnect();
    if (client_ != nullptr) {
        MQTTAsync client = client_;
        MQTTAsync_destroy(&client);
    }
}

int MqttSubscriber::Arrived(void* context, char* topic, int topicLength, void* message) {
    auto* self = static_cast<MqttSubscriber*>(context);
    auto* m = static_cast<MQTTAsync_message*>(message);
    MqttMessage kept{
        topicLength > 0 ? std::string(topic, static_cast<std::size_t>(topicLength)) : topic,
        std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)),
        m->retained != 0, std::chrono::steady_clock::now()};
    MQTTAsync_freeMessage(&m);
    MQTTAsync_free(topic);
    const std::lock_guard lock(self->mutex_);
    self->messages_.push_back(std::move(kept));
    self->changed_.notify_all();
    return 1;
}

bool MqttSubscriber::Subscribe(const std::string& filter) {
    if (client_ == nullptr) {
        return false;
    }
    filter_ = filter;
    MQTTAsync_connectOptions options = MQTTAsync_connectOptions_initializer;
    options.cleansession = clean_ ? 1 : 0;
    options.keepAliveInterval = 10;
    options.automaticReconnect = 1;
    options.minRetryInterval = 1;
    options.maxRetryInterval = 1;
    options.context = this;
    options.onSuccess = [](void* context, MQTTAsync_successData*) {
        auto* self = static_cast<MqttSubscriber*>(context);
        MQTTAsync_responseOptions response = MQTTAsync_responseOptions_initializer;
        response.context = self;
        response.onSuccess = [](void* c, MQTTAsync_successData* data) {
            auto* s = static_cast<MqttSubscriber*>(c);
            const std::lock_guard lock(s->mutex_);
            s->subscribed_ = data->alt.qos == 1 ? 1 : -1;
            s->changed_.notify_all();
        };
        response.onFailure = [](void* c, MQTTAsync_failureData*) {
            auto* s = static_cast<MqttSubscriber*>(c);
            const std::lock_guard lock(s->mutex_);
            s->subscribed_ = -1;
            s->changed_.notify_all();
        };
        MQTTAsync_subscribe(self->client_, self->filter_.c_str(), 1, &response);
    };
    options.onFailure = [](void* context, MQTTAsync_failureData*) {
        auto* self = static_cast<MqttSubscriber*>(context);
        const std::lock_guard lock(self->mutex_);
        self->subscribed_ = -1;
        self->changed_.notify_all();
    };
    {
        const std::lock_guard lock(mutex_);
        subscribed_ = 0;
    }
    if (MQTTAsync_connect(client_, &options) != MQTTASYNC_SUCCESS) {
        return false;
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [this] { return subscribed_ != 0; });
    return subscribed_ == 1;
}

void MqttSubscriber::Disconnect() {
    if (client_ != nullptr && MQTTAsync_isConnected(client_)) {
        MQTTAsync_disconnectOptions options = MQTTAsync_disconnectOptions_initializer;
        options.timeout = 1000;
        options.context = this;
        options.onSuccess = [](void* context, MQTTAsync_successData*) {
            auto* self = static_cast<MqttSubscriber*>(context);
            const std::lock_guard lock(self->mutex_);
            self->subscribed_ = 2;
            self->changed_.notify_all();
        };
        std::unique_lock lock(mutex_);
        subscribed_ = 0;
        lock.unlock();
        if (MQTTAsync_disconnect(client_, &options) == MQTTASYNC_SUCCESS) {
            lock.lock();
            changed_.wait_for(lock, std::chrono::seconds(2), [this] { return subscribed_ == 2; });
        }
    }
}

bool MqttSubscriber::WaitFor(const std::function<bool(const std::vector<MqttMessage>&)>& done,
                             int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done(messages_); });
}

std::vector<MqttMessage> MqttSubscriber::Messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
}

}  // namespace zt30::test
