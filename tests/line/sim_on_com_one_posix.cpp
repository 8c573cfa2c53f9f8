// The simulator as a child process; port 1 is its pseudo-terminal.
#include "line/sim_on_com_one.h"
#include "sim/sim_process.h"

namespace zt30::test {

struct SimOnComOne::Process {
    explicit Process(std::vector<std::string> args) : sim(ZT30_SIM_PATH, std::move(args)) {}
    SimProcess sim;
};

SimOnComOne::SimOnComOne(std::vector<std::string> args)
    : process_(std::make_unique<Process>(std::move(args))) {}

SimOnComOne::~SimOnComOne() = default;

bool SimOnComOne::Started() const {
    return !process_->sim.SlavePath().empty();
}

PortDeviceLookup SimOnComOne::Lookup() const {
    const PortDeviceLookup absent = AbsentPorts();
    return [path = process_->sim.SlavePath(), absent](int port) {
        return port == 1 ? std::optional<std::string>(path) : absent(port);
    };
}

std::string SimOnComOne::Log() const {
    return process_->sim.Log();
}

PortDeviceLookup SimOnComOne::AbsentPorts() {
    return
        [](int port) { return std::optional<std::string>("/nonexistent/zt30-COM" + std::to_string(port)); };
}

bool RunningUnderWine() {
    return false;
}

}  // namespace zt30::test
