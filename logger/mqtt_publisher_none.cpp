#include "logger/mqtt_publisher.h"

namespace zt30::logger {

namespace {

class NoMqttPublisher final : public MqttPublisher {
public:
    bool Start(std::string& error) override {
        error = "this zt30ctl was built without MQTT";
        return false;
    }
    void Publish(const std::string&, const std::string&, bool) override {}
    std::size_t Stop(int) override { return 0; }
    bool Connected() const override { return false; }
    std::size_t Pending() const override { return 0; }
};

}  // namespace

std::unique_ptr<MqttPublisher> MakeMqttPublisher(MqttSettings, Journal&) {
    return std::make_unique<NoMqttPublisher>();
}

}  // namespace zt30::logger
