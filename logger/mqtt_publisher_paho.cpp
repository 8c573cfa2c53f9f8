// The publisher over Paho's asynchronous client. The messages live in our own queue, in the order given; a
// sender thread of ours hands them to Paho while the client is connected, at most kWindow at a time, and a
// message leaves the queue only when Paho reports the broker's acknowledgement. Paho keeps what it holds
// across a reconnect (persistent session; in memory, or in files when a state folder is given) and sends it
// again first; what Paho gives back as
// failed (the broker had lost the session) is sent again by us, from the oldest failed one on, so a message
// can only come twice, never go missing.
//
// Locking: mutex_ guards every member the callbacks touch. Paho is never called with mutex_ held, as Paho
// holds its own lock while it calls us.
#include <MQTTAsync.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/text_rules.h"
#include "logger/mqtt_publisher.h"

namespace zt30::logger {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kWindow = 128;  // messages handed to Paho and not yet acknowledged
constexpr int kKeepAliveS = 10;
constexpr auto kRefusedPause = std::chrono::milliseconds(100);  // after Paho refused a message for now
constexpr auto kOfflineWait = std::chrono::milliseconds(200);
constexpr int kDisconnectTimeoutMs = 100;
constexpr auto kDisconnectWait = std::chrono::milliseconds(200);

// Paho's return codes that no retry will change: the message is dropped.
bool Permanent(int rc) {
    return rc == MQTTASYNC_BAD_UTF8_STRING || rc == MQTTASYNC_NULL_PARAMETER ||
           rc == MQTTASYNC_TOPICNAME_TRUNCATED || rc == MQTTASYNC_BAD_STRUCTURE || rc == MQTTASYNC_BAD_QOS;
}

std::string ReasonOf(int code, const char* message) {
    // The broker's refusals of MQTT 3.1.1 come as the CONNACK return code.
    static const char* const kRefusals[] = {
        nullptr,
        "the broker does not accept MQTT 3.1.1",
        "the broker refused the client id",
        "the broker is unavailable",
        "the broker refused the user name or password",
        "the broker refused the client: not authorised",
    };
    if (code >= 1 && code <= 5) {
        return kRefusals[code];
    }
    if (message != nullptr && *message != '\0') {
        return message;
    }
    return "error " + std::to_string(code);
}

// Topics and addresses come from the configuration: what the broker would answer by closing the connection
// (and so stop every later message) is refused here.
bool ValidUtf8Text(const std::string& text) {
    return IsValidUtf8(text) && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

bool CheckTopic(const std::string& topic, bool prefix, std::string& error) {
    if (topic.empty() || topic.size() > 32768 || !ValidUtf8Text(topic) ||
        topic.find_first_of("+#") != std::string::npos || topic.front() == '$' ||
        (prefix && topic.back() == '/')) {
        error = "the topic \"" + topic.substr(0, 200) + "\" is not a topic to publish to";
        return false;
    }
    return true;
}

bool CheckClientId(const std::string& id, std::string& error) {
    const bool ok = !id.empty() && id.size() <= 128 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.';
    });
    if (!ok) {
        error =
            "the client id \"" + id.substr(0, 200) + "\" is not 1 to 128 letters, digits, '-', '_' or '.'";
    }
    return ok;
}

// mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; HOST a name, an IPv4 address or [an IPv6 address].
bool CheckBrokerAddress(const std::string& broker, std::string& error) {
    error =
        "the broker address \"" + broker.substr(0, 200) + "\" is not mqtt://HOST:PORT or mqtts://HOST:PORT";
    std::string rest;
    if (broker.rfind("mqtt://", 0) == 0) {
        rest = broker.substr(7);
    } else if (broker.rfind("mqtts://", 0) == 0) {
        rest = broker.substr(8);
    } else {
        return false;
    }
    std::size_t hostEnd = 0;
    if (!rest.empty() && rest.front() == '[') {
        hostEnd = rest.find(']');
        if (hostEnd == std::string::npos || hostEnd == 1 ||
            rest.find_first_not_of("0123456789abcdefABCDEF:.", 1) != hostEnd) {
            return false;
        }
        ++hostEnd;
    } else {
        hostEnd = std::min(rest.find(':'), rest.size());
        const auto bad =
            rest.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_");
        if (hostEnd == 0 || (bad != std::string::npos && bad < hostEnd)) {
            return false;
        }
    }
    if (hostEnd < rest.size()) {
        const std::string port = rest.substr(hostEnd + 1);
        if (rest[hostEnd] != ':' || port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) < 1 ||
            std::stoi(port) > 65535) {
            return false;
        }
    }
    error.clear();
    return true;
}

class PahoPublisher final : public MqttPublisher {
public:
    PahoPublisher(MqttSettings settings, Journal& journal)
        : settings_(std::move(settings)), journal_(journal), slots_(kWindow) {
        settings_.keptLimit = std::max<std::size_t>(settings_.keptLimit, 1);
        for (Slot& slot : slots_) {
            slot.owner = this;
        }
    }
    ~PahoPublisher() override { Stop(0); }

    bool Start(std::string& error) override;
    void Publish(const std::string& topic, const std::string& payload, bool retained) override;
    std::size_t Stop(int waitMs) override;
    bool Connected() const override {
        const std::lock_guard lock(mutex_);
        return connected_;
    }
    std::size_t Pending() const override {
        const std::lock_guard lock(mutex_);
        return unacked_;
    }

private:
    struct Entry {
        std::uint64_t seq;
        std::string topic;
        std::string payload;
        bool retained;
        bool acked = false;
    };
    // One message handed to Paho: the context of its callbacks, free again when one of them has come.
    struct Slot {
        PahoPublisher* owner = nullptr;
        std::uint64_t seq = 0;
        bool busy = false;
    };

    std::deque<Entry>::iterator Find(std::uint64_t seq) {
        return std::lower_bound(queue_.begin(), queue_.end(), seq,
                                [](const Entry& e, std::uint64_t s) { return e.seq < s; });
    }
    // The oldest message that waits to be handed to Paho, or end.
    std::deque<Entry>::iterator NextToSend() {
        auto it = Find(nextSeq_);
        while (it != queue_.end() && it->acked) {
            ++it;
        }
        return it;
    }
    Slot* FreeSlot() {
        for (Slot& slot : slots_) {
            if (!slot.busy) {
                return &slot;
            }
        }
        return nullptr;
    }
    int SendStatus(const char* payload, MQTTAsync_responseOptions* options);
    void SenderLoop();
    void Acknowledged(Slot& slot, bool ok);

    static void OnConnected(void* context, char* cause);
    static void OnConnectionLost(void* context, char* cause);
    static int OnMessage(void*, char* topic, int, MQTTAsync_message* message) {
        MQTTAsync_freeMessage(&message);
        MQTTAsync_free(topic);
        return 1;
    }
    static void OnConnectFailure(void* context, MQTTAsync_failureData* data);
    static void OnSuccess(void* context, MQTTAsync_successData*) {
        auto& slot = *static_cast<Slot*>(context);
        slot.owner->Acknowledged(slot, true);
    }
    static void OnFailure(void* context, MQTTAsync_failureData*) {
        auto& slot = *static_cast<Slot*>(context);
        slot.owner->Acknowledged(slot, false);
    }
    static void OnStepDone(void* context) {
        auto* self = static_cast<PahoPublisher*>(context);
        const std::lock_guard lock(self->mutex_);
        self->stepDone_ = true;
        self->changed_.notify_all();
    }

    MqttSettings settings_;
    Journal& journal_;
    std::string statusTopic_;
    MQTTAsync client_ = nullptr;
    std::thread sender_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;  // by seq; acknowledged ones leave from the front
    std::vector<Slot> slots_;
    std::uint64_t lastSeq_ = 0;  // of the newest message given
    std::uint64_t nextSeq_ = 1;  // messages from this seq on wait to be handed to Paho
    std::size_t unacked_ = 0;
    std::size_t dropped_ = 0;  // over keptLimit, not yet in the journal
    bool connected_ = false;
    bool refusalReported_ = false;
    bool outageReported_ = false;  // "could not connect" since the last connection
    bool invalidTopicReported_ = false;
    bool stopping_ = false;    // Publish takes nothing more
    bool stopSender_ = false;  // the sender thread ends
    bool stopped_ = false;
    bool stepDone_ = false;  // the offline message or the disconnection of Stop
    std::size_t stoppedCount_ = 0;
};

bool PahoPublisher::Start(std::string& error) {
    if (!CheckBrokerAddress(settings_.broker, error) || !CheckTopic(settings_.topic, true, error)) {
        return false;
    }
    if (!CheckClientId(settings_.clientId, error)) {
        return false;
    }
    std::error_code ec;
    const bool inMemory = settings_.stateFolder.empty();
    if (!inMemory && !std::filesystem::is_directory(settings_.stateFolder, ec)) {
        error = "the state folder " + settings_.stateFolder + " does not exist";
        return false;
    }
    const bool tls = settings_.broker.rfind("mqtts://", 0) == 0;
    if (tls && !settings_.caFile.empty() && !std::ifstream(settings_.caFile).good()) {
        error = "cannot read the CA file " + settings_.caFile;
        return false;
    }
    statusTopic_ = settings_.topic + "/status";

    MQTTAsync_createOptions create = MQTTAsync_createOptions_initializer;
    create.MQTTVersion = MQTTVERSION_3_1_1;
    create.sendWhileDisconnected = 1;  // a message handed over as the connection breaks waits in Paho
    create.maxBufferedMessages = static_cast<int>(2 * kWindow + 16);
    int rc =
        MQTTAsync_createWithOptions(&client_, settings_.broker.c_str(), settings_.clientId.c_str(),
                                    inMemory ? MQTTCLIENT_PERSISTENCE_NONE : MQTTCLIENT_PERSISTENCE_DEFAULT,
                                    inMemory ? nullptr : settings_.stateFolder.data(), &create);
    if (rc != MQTTASYNC_SUCCESS) {
        client_ = nullptr;
        error = "cannot make the MQTT client for " + settings_.broker + ": " + MQTTAsync_strerror(rc);
        return false;
    }
    MQTTAsync_setCallbacks(client_, this, &OnConnectionLost, &OnMessage, nullptr);
    MQTTAsync_setConnected(client_, this, &OnConnected);

    MQTTAsync_willOptions will = MQTTAsync_willOptions_initializer;
    will.topicName = statusTopic_.c_str();
    will.message = "offline";
    will.retained = 1;
    will.qos = 1;
    MQTTAsync_SSLOptions ssl = MQTTAsync_SSLOptions_initializer;
    ssl.trustStore = settings_.caFile.empty() ? nullptr : settings_.caFile.c_str();
    ssl.enableServerCertAuth = 1;
    ssl.verify = 1;  // the host name too
    MQTTAsync_connectOptions options = MQTTAsync_connectOptions_initializer;
    options.MQTTVersion = MQTTVERSION_3_1_1;
    options.keepAliveInterval = kKeepAliveS;
    options.cleansession = 0;
    options.maxInflight = static_cast<int>(2 * kWindow);
    options.connectTimeout = 5;
    options.automaticReconnect = 1;
    options.minRetryInterval = 1;
    options.maxRetryInterval = 2;
    options.will = &will;
    options.ssl = tls ? &ssl : nullptr;
    if (!settings_.user.empty()) {
        options.username = settings_.user.c_str();
        options.password = settings_.password.c_str();
    }
    options.onFailure = &OnConnectFailure;
    options.context = this;
    sender_ = std::thread([this] { SenderLoop(); });
    rc = MQTTAsync_connect(client_, &options);
    if (rc != MQTTASYNC_SUCCESS) {
        error = "cannot connect to " + settings_.broker + ": " + MQTTAsync_strerror(rc);
        Stop(0);
        return false;
    }
    return true;
}

void PahoPublisher::Publish(const std::string& topic, const std::string& payload, bool retained) {
    std::string problem;
    if (!CheckTopic(topic, false, problem) || payload.size() > 100'000'000) {
        if (problem.empty()) {
            problem = "the message to " + topic + " is too long";
        }
        std::unique_lock lock(mutex_);
        if (!std::exchange(invalidTopicReported_, true)) {
            lock.unlock();
            journal_.Write(Level::Error, "a message was not published: " + problem);
        }
        return;
    }
    const std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    queue_.push_back(Entry{++lastSeq_, topic, payload, retained});
    ++unacked_;
    // Beyond the limit the oldest messages that Paho does not hold yet go.
    while (unacked_ > settings_.keptLimit) {
        const auto oldest = NextToSend();
        if (oldest == queue_.end() || oldest->seq == lastSeq_) {
            break;  // Paho holds them all (at most kWindow more than the limit)
        }
        queue_.erase(oldest);
        --unacked_;
        ++dropped_;
    }
    changed_.notify_all();
}

int PahoPublisher::SendStatus(const char* payload, MQTTAsync_responseOptions* options) {
    MQTTAsync_message message = MQTTAsync_message_initializer;
    message.payload = const_cast<char*>(payload);
    message.payloadlen = static_cast<int>(std::char_traits<char>::length(payload));
    message.qos = 1;
    message.retained = 1;
    return MQTTAsync_sendMessage(client_, statusTopic_.c_str(), &message, options);
}

void PahoPublisher::SenderLoop() {
    std::unique_lock lock(mutex_);
    while (!stopSender_) {
        if (connected_ && dropped_ > 0) {
            const std::size_t n = std::exchange(dropped_, 0);
            lock.unlock();
            journal_.Write(Level::Warning, std::to_string(n) + (n == 1 ? " message" : " messages") +
                                               " to the broker " + (n == 1 ? "was" : "were") +
                                               " dropped while it was away (more than " +
                                               std::to_string(settings_.keptLimit) + " were waiting)");
            lock.lock();
            continue;
        }
        Slot* slot = connected_ ? FreeSlot() : nullptr;
        const auto next = slot != nullptr ? NextToSend() : queue_.end();
        if (next == queue_.end()) {
            changed_.wait(lock);
            continue;
        }
        const Entry entry = *next;
        nextSeq_ = entry.seq + 1;
        slot->busy = true;
        slot->seq = entry.seq;
        lock.unlock();

        MQTTAsync_message message = MQTTAsync_message_initializer;
        message.payload = const_cast<char*>(entry.payload.data());
        message.payloadlen = static_cast<int>(entry.payload.size());
        message.qos = 1;
        message.retained = entry.retained ? 1 : 0;
        MQTTAsync_responseOptions response = MQTTAsync_responseOptions_initializer;
        response.onSuccess = &OnSuccess;
        response.onFailure = &OnFailure;
        response.context = slot;
        const int rc = MQTTAsync_sendMessage(client_, entry.topic.c_str(), &message, &response);

        lock.lock();
        if (rc == MQTTASYNC_SUCCESS) {
            continue;
        }
        slot->busy = false;  // no callback comes for a refused message
        const bool permanent = Permanent(rc);
        const auto it = Find(entry.seq);
        if (permanent && it != queue_.end() && it->seq == entry.seq && !it->acked) {
            queue_.erase(it);
            --unacked_;
        } else {
            nextSeq_ = std::min(nextSeq_, entry.seq);
        }
        if (permanent || !std::exchange(refusalReported_, true)) {
            lock.unlock();
            journal_.Write(permanent ? Level::Error : Level::Warning,
                           std::string("the MQTT client refused a message to ") + entry.topic + ": " +
                               MQTTAsync_strerror(rc) + (permanent ? "; it was dropped" : "; trying again"));
            lock.lock();
        }
        if (!permanent) {
            changed_.wait_for(lock, kRefusedPause, [this] { return stopSender_; });
        }
    }
}

void PahoPublisher::Acknowledged(Slot& slot, bool ok) {
    const std::lock_guard lock(mutex_);
    slot.busy = false;
    const auto it = Find(slot.seq);
    if (it != queue_.end() && it->seq == slot.seq && !it->acked) {
        if (ok) {
            it->acked = true;
            --unacked_;
            while (!queue_.empty() && queue_.front().acked) {
                queue_.pop_front();
            }
        } else {
            // Paho gave it up: this one and every later one go again, in order (duplicates at worst).
            nextSeq_ = std::min(nextSeq_, slot.seq);
        }
    }
    changed_.notify_all();
}

void PahoPublisher::OnConnected(void* context, char*) {
    auto* self = static_cast<PahoPublisher*>(context);
    // Before any message of ours: the sender waits for connected_.
    self->SendStatus("online", nullptr);
    {
        const std::lock_guard lock(self->mutex_);
        self->connected_ = true;
        self->refusalReported_ = false;
        self->outageReported_ = false;
        self->changed_.notify_all();
    }
    self->journal_.Write(Level::Info, "connected to " + self->settings_.broker);
}

void PahoPublisher::OnConnectionLost(void* context, char* cause) {
    auto* self = static_cast<PahoPublisher*>(context);
    {
        const std::lock_guard lock(self->mutex_);
        self->connected_ = false;
        self->changed_.notify_all();
    }
    const std::string reason = cause != nullptr && *cause != '\0' ? cause : "the connection broke";
    self->journal_.Write(Level::Warning, "connection to " + self->settings_.broker + " lost (" + reason +
                                             "); trying again every second or two");
}

void PahoPublisher::OnConnectFailure(void* context, MQTTAsync_failureData* data) {
    // Paho calls it for the first attempt after a start or a lost connection only; its automatic retries
    // fail silently. One line for each time the broker is away.
    auto* self = static_cast<PahoPublisher*>(context);
    {
        const std::lock_guard lock(self->mutex_);
        if (std::exchange(self->outageReported_, true)) {
            return;
        }
    }
    const std::string reason = data != nullptr ? ReasonOf(data->code, data->message) : "unknown error";
    self->journal_.Write(Level::Warning, "could not connect to " + self->settings_.broker + " (" + reason +
                                             "); trying again every second or two");
}

std::size_t PahoPublisher::Stop(int waitMs) {
    std::unique_lock lock(mutex_);
    if (stopping_) {  // stopped, or stopping in another thread
        changed_.wait(lock, [this] { return stopped_; });
        return stoppedCount_;
    }
    stopping_ = true;
    if (connected_) {
        changed_.wait_until(lock, Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0)),
                            [this] { return unacked_ == 0; });
    }
    stopSender_ = true;
    changed_.notify_all();
    lock.unlock();
    if (sender_.joinable()) {
        sender_.join();
    }
    if (client_ != nullptr) {
        lock.lock();
        const bool connected = connected_;
        stepDone_ = false;
        lock.unlock();
        MQTTAsync_responseOptions response = MQTTAsync_responseOptions_initializer;
        response.onSuccess = [](void* context, MQTTAsync_successData*) { OnStepDone(context); };
        response.onFailure = [](void* context, MQTTAsync_failureData*) { OnStepDone(context); };
        response.context = this;
        if (connected && SendStatus("offline", &response) == MQTTASYNC_SUCCESS) {
            lock.lock();
            changed_.wait_for(lock, kOfflineWait, [this] { return stepDone_; });
            stepDone_ = false;
            lock.unlock();
        }
        MQTTAsync_disconnectOptions disconnect = MQTTAsync_disconnectOptions_initializer;
        disconnect.timeout = kDisconnectTimeoutMs;
        disconnect.onSuccess = response.onSuccess;
        disconnect.onFailure = response.onFailure;
        disconnect.context = this;
        if (MQTTAsync_disconnect(client_, &disconnect) == MQTTASYNC_SUCCESS) {
            lock.lock();
            changed_.wait_for(lock, kDisconnectWait, [this] { return stepDone_; });
            lock.unlock();
        }
        MQTTAsync_destroy(&client_);
    }
    lock.lock();
    connected_ = false;
    stopped_ = true;
    stoppedCount_ = unacked_;
    queue_.clear();
    unacked_ = 0;
    changed_.notify_all();
    return stoppedCount_;
}

}  // namespace

std::unique_ptr<MqttPublisher> MakeMqttPublisher(MqttSettings settings, Journal& journal) {
    return std::make_unique<PahoPublisher>(std::move(settings), journal);
}

}  // namespace zt30::logger
