// The publisher against a real mosquitto on 127.0.0.1: order and QoS 1, the retained status and the last
// will, a broker that goes away and comes back, the kept limit, and the bounded stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "logger/mqtt_publisher.h"
#include "mosquitto_broker.h"
#include "mqtt_subscriber.h"

extern char** environ;

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
auto Arrived(const std::string& topic, const std::string& payload, bool retained) {
    return [=](const Messages& messages) {
        return std::any_of(messages.begin(), messages.end(), [&](const MqttMessage& m) {
            return m.topic == topic && m.payload == payload && m.retained == retained;
        });
    };
}

class MqttPublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::MosquittoBinary().empty()) {
            GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
        }
        broker = std::make_unique<test::MosquittoBroker>();
        ASSERT_TRUE(broker->Running());
        char folder[] = "/tmp/zt30-mqtt-state-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        stateFolder = folder;
        prefix = "zt30test/" + std::to_string(::getpid());
    }
    void TearDown() override {
        if (!stateFolder.empty()) {
            std::filesystem::remove_all(stateFolder);
        }
    }
    std::unique_ptr<MqttPublisher> Started(std::size_t keptLimit = 100000) {
        auto publisher = MakeMqttPublisher({broker->Address(), prefix, "", "", "",
                                            "logger-" + std::to_string(::getpid()), stateFolder, keptLimit},
                                           journal);
        std::string error;
        EXPECT_TRUE(publisher->Start(error)) << error;
        return publisher;
    }
    std::string Id(const std::string& name) const { return name + "-" + std::to_string(::getpid()); }

    std::unique_ptr<test::MosquittoBroker> broker;
    std::string stateFolder;
    std::string prefix;
    RecordingJournal journal;
};

TEST_F(MqttPublisherTest, MessagesArriveInOrderTheStatusIsRetainedAndAStopLeavesOffline) {
    MqttSubscriber live(broker->Address(), Id("live"), true);
    ASSERT_TRUE(live.Subscribe(prefix + "/#"));
    auto publisher = Started();
    const std::string topic = prefix + "/line1/5/reading";
    for (int i = 0; i < 500; ++i) {  // the first ones while it still connects
        publisher->Publish(topic, std::to_string(i), false);
    }
    EXPECT_TRUE(
        live.WaitFor([&](const Messages& m) { return FirstArrivals(m, topic).size() == 500; }, 20000));
    EXPECT_EQ(FirstArrivals(live.Messages(), topic), Numbers(0, 500));
    EXPECT_TRUE(publisher->Connected());
    EXPECT_TRUE(journal.Has("connected to " + broker->Address()));

    MqttSubscriber later(broker->Address(), Id("later"), true);
    ASSERT_TRUE(later.Subscribe(prefix + "/status"));
    EXPECT_TRUE(later.WaitFor(Arrived(prefix + "/status", "online", true), 5000));
    EXPECT_EQ(publisher->Stop(5000), 0u);
    EXPECT_FALSE(publisher->Connected());
    MqttSubscriber afterStop(broker->Address(), Id("after"), true);
    ASSERT_TRUE(afterStop.Subscribe(prefix + "/status"));
    EXPECT_TRUE(afterStop.WaitFor(Arrived(prefix + "/status", "offline", true), 5000));
}

TEST_F(MqttPublisherTest, TheLastWillSaysOfflineWhenThePublishersProcessIsKilled) {
    MqttSubscriber status(broker->Address(), Id("status"), true);
    ASSERT_TRUE(status.Subscribe(prefix + "/status"));
    std::string program = ZT30_MQTT_CHILD, address = broker->Address(), id = Id("child");
    char* argv[] = {program.data(), address.data(), prefix.data(), id.data(), stateFolder.data(), nullptr};
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ), 0);
    EXPECT_TRUE(status.WaitFor(Arrived(prefix + "/status", "online", false), 10000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(status.WaitFor(Arrived(prefix + "/status", "offline", false), 10000));
}

TEST_F(MqttPublisherTest, EveryMessageArrivesInOrderWhenTheBrokerIsAwayForAWhile) {
    MqttSubscriber durable(broker->Address(), Id("durable"), false);
    ASSERT_TRUE(durable.Subscribe(prefix + "/r"));
    auto publisher = Started();
    for (int i = 0; i < 500 && !publisher->Connected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(publisher->Connected());
    std::thread feeder([&] {
        for (int i = 0; i < 600; ++i) {
            publisher->Publish(prefix + "/r", std::to_string(i), false);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    broker->Stop();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(broker->Start());
    feeder.join();
    EXPECT_TRUE(durable.WaitFor(
        [&](const Messages& m) { return FirstArrivals(m, prefix + "/r").size() == 600; }, 30000));
    EXPECT_EQ(FirstArrivals(durable.Messages(), prefix + "/r"), Numbers(0, 600));
    EXPECT_TRUE(journal.Has("connection to " + broker->Address() + " lost"));
    EXPECT_EQ(publisher->Stop(10000), 0u);
}

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

TEST(MqttPublisherStart, RefusesWhatCannotBecomeAClient) {
    RecordingJournal journal;
    const std::string folder = std::filesystem::temp_directory_path().string();
    for (const MqttSettings& settings : {
             MqttSettings{"http://127.0.0.1:1883", "t", "", "", "", "id", folder},
             MqttSettings{"mqtt://127.0.0.1:99999", "t", "", "", "", "id", folder},
             MqttSettings{"mqtt://127.0.0.1:1883", "t/#", "", "", "", "id", folder},
             MqttSettings{"mqtt://127.0.0.1:1883", "t", "", "", "", "../id", folder},
             MqttSettings{"mqtts://127.0.0.1:8883", "t", "", "", "/nonexistent/ca.pem", "id", folder},
         }) {
        std::string error;
        EXPECT_FALSE(MakeMqttPublisher(settings, journal)->Start(error)) << settings.broker;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace zt30::logger
