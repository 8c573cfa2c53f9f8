// The reference requests: each device operation with the image it sends and the exact bytes it must put on
// the line (DA 1, SA 0 unless the case sets another). Both the unit tests over the in-memory line and the
// integration tests against the simulator check every operation against this one table.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "link/device.h"

namespace zt30::test {

struct RequestExample {
    const char* name;
    std::function<bool(DeviceOperations&)> run;
    const char* request;  // hexadecimal

    friend void PrintTo(const RequestExample& e, std::ostream* os) { *os << e.name; }
};

const std::vector<RequestExample>& RequestExamples();

}  // namespace zt30::test
