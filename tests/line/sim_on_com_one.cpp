#include "line/sim_on_com_one.h"

#include <cctype>
#include <chrono>
#include <sstream>
#include <thread>

namespace zt30::test {

std::vector<SimLogLine> ParseSimLog(const std::string& text) {
    std::vector<SimLogLine> lines;
    std::istringstream input(text);
    std::string row;
    while (std::getline(input, row)) {
        std::istringstream fields(row);
        SimLogLine line;
        if (!(fields >> line.seconds >> line.tag)) {
            continue;
        }
        std::string token;
        while (fields >> token && token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
               std::isxdigit(static_cast<unsigned char>(token[1]))) {
            line.bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<Bytes> SimOnComOne::Requests() const {
    std::vector<Bytes> requests;
    for (SimLogLine& line : Lines()) {
        if (line.tag == "RX") {
            requests.push_back(std::move(line.bytes));
        }
    }
    return requests;
}

std::vector<Bytes> SimOnComOne::WaitForRequests(std::size_t count, int timeoutMs) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<Bytes> requests = Requests();
    while (requests.size() < count && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        requests = Requests();
    }
    return requests;
}

}  // namespace zt30::test
