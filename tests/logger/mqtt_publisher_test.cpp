// The publisher against a real mosquitto on 127.0.0.1, where the whole service's test does not reach: the
// kept limit while the broker is away, and the bounded stop. (Order, the retained status, the last will and
// a broker that goes away and comes back are tested with zt30ctl log itself, in logging_service_test.cpp.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "logger/mqtt_publisher.h"
#include "mosquitto_broker.h"
#include "mqtt_subscriber.h"

namespace zt30::logger {
namespace {

using test::MqttMessage;
using test::MqttSubscriber;
using Messages = std::vector<MqttMessage>;

class RecordingJournal final : public Journal {
public:
    void Write(Level, std::string_view message) override {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(message);
    }
    bool Has(const std::string& part, int timeoutMs = 0) {
        for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);;) {
            {
                const std::lock_guard lock(mutex_);
                for (const std::string& line : lines_) {
                    if (line.find(part) != std::string::npos) {
                        return true;
                    }
                }
            }
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The numbers in the payloads on topic, each at its first arrival: in order apart from duplicates when it
// counts from..to-1.
std::vector<int> FirstArrivals(const Messages& messages, const std::string& topic) {
    std::vector<int> first;
    std::set<int> seen;
    for (const MqttMessage& m : messages) {
        if (m.topic == topic && seen.insert(std::stoi(m.payload)).second) {
            first.push_back(std::stoi(m.payload));
        }
    }
    return first;
}
std::vector<int> Numbers(int from, int to) {
    std::vector<int> n;
    for (int i = from; i < to; ++i) {
        n.push_back(i);
    }
    return n;
}
class MqttPublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::MosquittoBinary().empty()) {
            GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
        }
        broker = std::make_unique<test::MosquittoBroker>();
        ASSERT_TRUE(broker->Running());
        prefix = "zt30test/" + std::to_string(::getpid());
    }
    std::unique_ptr<MqttPublisher> Started(std::size_t keptLimit = 100000) {
        auto publisher = MakeMqttPublisher(
            {broker->Address(), prefix, "", "", "", "logger-" + std::to_string(::getpid()), "", keptLimit},
            journal);
        std::string error;
        EXPECT_TRUE(publisher->Start(error)) << error;
        return publisher;
    }
    std::string Id(const std::string& name) const { return name + "-" + std::to_string(::getpid()); }

    std::unique_ptr<test::MosquittoBroker> broker;
    std::string prefix;
    RecordingJournal journal;
};

TEST_F(MqttPublisherTest, WithTheBrokerAwayTheNewestMessagesUpToTheLimitArriveAndTheRestAreCounted) {
    {  // a persistent session at the broker that collects what comes while nobody listens
        MqttSubscriber durable(broker->Address(), Id("durable"), false);
        ASSERT_TRUE(durable.Subscribe(prefix + "/r"));
    }
    broker->Stop();
    auto publisher = Started(10);
    for (int i = 0; i < 25; ++i) {
        publisher->Publish(prefix + "/r", std::to_string(i), false);
    }
    EXPECT_EQ(publisher->Pending(), 10u);
    EXPECT_TRUE(journal.Has("could not connect to " + broker->Address(), 5000));
    ASSERT_TRUE(broker->Start());
    MqttSubscriber durable(broker->Address(), Id("durable"), false);
    ASSERT_TRUE(durable.Subscribe(prefix + "/r"));
    EXPECT_TRUE(durable.WaitFor(
        [&](const Messages& m) { return FirstArrivals(m, prefix + "/r").size() == 10; }, 20000));
    EXPECT_EQ(FirstArrivals(durable.Messages(), prefix + "/r"), Numbers(15, 25));
    EXPECT_TRUE(journal.Has("15 messages to the broker were dropped while it was away", 5000));
}

TEST_F(MqttPublisherTest, AStopWithTheBrokerAwayKeepsItsBoundAndCountsWhatWasNotDelivered) {
    broker->Stop();
    auto publisher = Started();
    for (int i = 0; i < 3; ++i) {
        publisher->Publish(prefix + "/r", std::to_string(i), false);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(publisher->Stop(500), 3u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500 + 1500));
    EXPECT_EQ(publisher->Stop(500), 3u);  // again: the same answer at once
}

}  // namespace
}  // namespace zt30::logger
