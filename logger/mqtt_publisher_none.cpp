// The publisher of a build without the Paho MQTT C library (the Windows cross-build): it cannot start.
#include "logger/mqtt_publisher.h"

namespace zt30::logger {
namespace {

class NoPublisher final : public MqttPublisher {
public:
    bool Start(std::string& error) override {
        error = "this zt30ctl was built without MQTT";
        return false;
    }
    void Publish(const std::string&, const std::string&, bool) override { ++pending_; }
    std::size_t Stop(int) override { return pending_; }
    bool Connected() const override { return false; }
    std::size_t Pending() const override { return pending_; }

private:
    std::size_t pending_ = 0;
};

}  // namespace

std::unique_ptr<MqttPublisher> MakeMqttPublisher(MqttSettings, Journal&) {
    return std::make_unique<NoPublisher>();
}

}  // namespace zt30::logger
