// zt30ctl log as a service is run: against zt30-sim with several stations and one that never answers, a real
// mosquitto, and a subscriber over the same client library.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_process.h"
#include "tests/support/child_exit.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/mqtt_subscriber.h"

extern char** environ;

namespace zt30::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// zt30ctl log CONFIG in the background, its standard error in a file.
class Logger {
public:
    Logger(const fs::path& folder, const std::string& config)
        : config_(folder / "logger.ini"), log_(folder / "log") {
        std::ofstream(config_) << config;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::string binary = ZT30CTL_PATH, command = "log", path = config_.string();
        char* argv[] = {binary.data(), command.data(), path.data(), nullptr};
        EXPECT_EQ(posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Logger() { Kill(); }
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // SIGTERM, and the exit status (-1 when it did not end within timeoutMs) and how long it took.
    std::pair<int, long> Terminate(int timeoutMs = 10000) {
        const auto start = std::chrono::steady_clock::now();
        kill(pid_, SIGTERM);
        int status = -1;
        const bool ended = WaitForChildExit(
            [&] {
                int s = 0;
                if (waitpid(pid_, &s, WNOHANG) != pid_) {
                    return false;
                }
                status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
                pid_ = -1;
                return true;
            },
            timeoutMs);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return {ended ? status : -1, static_cast<long>(ms.count())};
    }
    std::string Journal() const { return ReadAll(log_); }

private:
    fs::path config_;
    fs::path log_;
    pid_t pid_ = -1;
};

class LoggingServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("zt30-logger-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string LineSection(const std::string& device, const std::string& stations,
                            const std::string& more = {}) {
        return "[LINE1]\nDEVICE = " + device + "\nSTATIONS = " + stations + "\n" + more +
               "[RECORD]\nFOLDER = " + (folder_ / "records").string() + "\n";
    }

    // The times of the readings of each station, as published (duplicates of QoS 1 taken once; ISO times
    // sort as text).
    static std::map<std::string, std::set<std::string>> PublishedTimes(
        const std::vector<MqttMessage>& messages) {
        std::map<std::string, std::set<std::string>> times;
        static const std::regex reading(R"(zt30/LINE1/(\d+)/reading)");
        static const std::regex payload(
            R"re(\{"time":"([0-9T:.+-]+)","value":[0-9.e+-]+,"sum":[0-9.e+-]+\})re");
        std::smatch topic;
        std::smatch body;
        for (const MqttMessage& m : messages) {
            if (std::regex_match(m.topic, topic, reading)) {
                EXPECT_TRUE(std::regex_match(m.payload, body, payload)) << m.payload;
                // The first arrival of each reading comes after those of every earlier one.
                if (auto& seen = times[topic[1]]; seen.insert(body[1]).second) {
                    EXPECT_EQ(*seen.rbegin(), body[1]) << "out of order: " << m.payload;
                }
            }
        }
        return times;
    }

    fs::path folder_;
};

TEST_F(LoggingServiceTest, PublishesAndRecordsEveryReadingAcrossABrokerRestartAndStopsCleanly) {
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1,5,10"});
    ASSERT_FALSE(sim.SlavePath().empty()) << sim.Log();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.Running());
    MqttSubscriber subscriber(broker.Address(), "zt30-test-persistent", false);
    ASSERT_TRUE(subscriber.Subscribe("zt30/#"));
    Logger logger(folder_, LineSection(sim.SlavePath(), "1, 5, 10, 20") +
                               "[MQTT]\nBROKER = " + broker.Address() + "\n");

    const auto readingsOf = [](const std::vector<MqttMessage>& messages, const std::string& station) {
        return std::count_if(messages.begin(), messages.end(), [&](const MqttMessage& m) {
            return m.topic == "zt30/LINE1/" + station + "/reading";
        });
    };
    ASSERT_TRUE(subscriber.WaitFor([&](const auto& m) { return readingsOf(m, "10") >= 3; }, 15000))
        << logger.Journal();

    // A subscriber that comes later finds the retained status and states.
    {
        MqttSubscriber late(broker.Address(), "zt30-test-late", true);
        ASSERT_TRUE(late.Subscribe("zt30/#"));
        std::map<std::string, MqttMessage> states;
        ASSERT_TRUE(late.WaitFor(
            [&](const auto& m) {
                for (const MqttMessage& x : m) {
                    states[x.topic] = x;
                }
                return states.count("zt30/status") + states.count("zt30/LINE1/20/state") +
                           states.count("zt30/LINE1/10/state") + states.count("zt30/LINE1/1/state") ==
                       4;
            },
            15000))
            << logger.Journal();
        for (const std::string station : {"1", "10"}) {
            EXPECT_EQ(states["zt30/LINE1/" + station + "/state"].payload, "ok");
            EXPECT_TRUE(states["zt30/LINE1/" + station + "/state"].retained);
        }
        EXPECT_EQ(states["zt30/LINE1/20/state"].payload, "no answer");
        EXPECT_EQ(states["zt30/status"].payload, "online");
        EXPECT_TRUE(states["zt30/status"].retained);
    }

    // The broker goes away for a few seconds; the logger goes on reading.
    broker.Stop();
    std::this_thread::sleep_for(4s);
    ASSERT_TRUE(broker.Start());
    const std::size_t before = subscriber.Messages().size();
    ASSERT_TRUE(subscriber.WaitFor([&](const auto& m) { return m.size() > before + 9; }, 20000))
        << logger.Journal();

    const auto [status, ms] = logger.Terminate();
    EXPECT_EQ(status, 0) << logger.Journal();
    EXPECT_LT(ms, 4000) << "the stop took " << ms << " ms";  // 2 s asked; the margin is the machine's
    std::cerr << "[ measured ] SIGTERM to exit: " << ms << " ms\n";
    ASSERT_TRUE(subscriber.WaitFor(
        [](const auto& m) {
            return !m.empty() && m.back().topic == "zt30/status" && m.back().payload == "offline";
        },
        10000));

    // Every recorded reading was published, once a second, the outage included.
    const auto times = PublishedTimes(subscriber.Messages());
    for (const std::string station : {"1", "5", "10"}) {
        const std::string records = ReadAll(folder_ / "records" / ("LINE1-" + station + ".txt"));
        ASSERT_TRUE(times.count(station));
        const auto& published = times.at(station);
        EXPECT_EQ(published.size(), Count(records, "\r\n")) << "station " << station << "\n" << records;
        EXPECT_GE(published.size(), 10u);
        // ISO times of one day sort as text: no gap between two readings reaches two seconds.
        std::string previous;
        for (const std::string& t : published) {
            if (!previous.empty()) {
                const double gap = std::stod(t.substr(17, 6)) - std::stod(previous.substr(17, 6));
                EXPECT_TRUE(gap < 2.0 || gap < -57.0) << previous << " -> " << t;
            }
            previous = t;
        }
    }
    EXPECT_FALSE(times.count("20"));
    const std::string journal = logger.Journal();
    EXPECT_THAT(journal, HasSubstr("LINE1 station 20 does not answer"));
    EXPECT_EQ(Count(journal, "\n"), Count(journal, "zt30ctl log: ")) << "one line per message:\n" << journal;
}

TEST_F(LoggingServiceTest, TheBrokerSaysOfflineForALoggerThatWasKilled) {
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1"});
    MosquittoBroker broker;
    ASSERT_TRUE(broker.Running());
    MqttSubscriber status(broker.Address(), "zt30-test-will", true);
    ASSERT_TRUE(status.Subscribe("zt30/status"));
    Logger logger(folder_, LineSection(sim.SlavePath(), "1") + "[MQTT]\nBROKER = " + broker.Address() + "\n");
    const auto said = [](const char* text) {
        return [text](const auto& m) { return !m.empty() && m.back().payload == text; };
    };
    ASSERT_TRUE(status.WaitFor(said("online"), 15000)) << logger.Journal();
    logger.Kill();
    EXPECT_TRUE(status.WaitFor(said("offline"), 30000));  // the keep-alive's one and a half times at most
}

TEST_F(LoggingServiceTest, ALineThatWentAwayIsOpenedAgainWhenItIsBack) {
    const std::string link = (folder_ / "tty").string();
    auto sim = std::make_unique<SimProcess>(ZT30_SIM_PATH,
                                            std::vector<std::string>{"--link", link, "--fault", "hangup@4"});
    Logger logger(folder_, LineSection(link, "1"));
    const auto journalSays = [&](const std::string& text) {
        for (int i = 0; i < 200 && logger.Journal().find(text) == std::string::npos; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        return logger.Journal().find(text) != std::string::npos;
    };
    ASSERT_TRUE(journalSays("LINE1 station 1 does not answer")) << logger.Journal();
    EXPECT_THAT(logger.Journal(), HasSubstr("LINE1: " + link + ": "));
    sim = std::make_unique<SimProcess>(ZT30_SIM_PATH, std::vector<std::string>{"--link", link});
    EXPECT_TRUE(journalSays("LINE1 station 1 answers again")) << logger.Journal();
}

TEST_F(LoggingServiceTest, ALineTooSlowForItsStationsIsReadEvenlyAndSaysSoOnce) {
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1,2,3,4,5,6", "--wire-time", "--baud", "1200"});
    ASSERT_FALSE(sim.SlavePath().empty()) << sim.Log();
    Logger logger(folder_, LineSection(sim.SlavePath(), "1,2,3,4,5,6", "BAUD = 1200\n"));
    std::this_thread::sleep_for(7s);
    const auto [status, ms] = logger.Terminate();
    EXPECT_EQ(status, 0);
    const std::string journal = logger.Journal();
    EXPECT_EQ(Count(journal, "more than INTERVAL 1 s"), 1u) << journal;
    EXPECT_THAT(journal, HasSubstr("reading its 6 stations takes "));
    // Every station was read in every round: none runs ahead of another by more than the round under way.
    std::vector<std::size_t> lines;
    for (int station = 1; station <= 6; ++station) {
        lines.push_back(
            Count(ReadAll(folder_ / "records" / ("LINE1-" + std::to_string(station) + ".txt")), "\r\n"));
    }
    EXPECT_GE(lines.front(), 2u);
    EXPECT_LE(lines.front() - lines.back(), 1u);
}

TEST_F(LoggingServiceTest, ARefusedConfigurationOpensNothing) {
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1"});
    ASSERT_FALSE(sim.SlavePath().empty()) << sim.Log();
    for (const std::string& more : {std::string("SPEED = 9600\n"), std::string("STATIONS = 2\n")}) {
        std::ofstream(folder_ / "bad.ini") << LineSection(sim.SlavePath(), "1", more);
        const ProgramRun run = RunProgram(ZT30CTL_PATH, {"log", (folder_ / "bad.ini").string()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_THAT(run.err, HasSubstr((folder_ / "bad.ini").string() + ":4: ")) << run.err;
    }
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_FALSE(fs::exists(folder_ / "records"));
}

}  // namespace
}  // namespace zt30::test
