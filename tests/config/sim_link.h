// The program's InstrumentLink over the system's serial backend to zt30-sim on its pseudo-terminal, open and
// addressed to station 1 from 0, on the real clock; for the dialog tests that check the instrument's side.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/com_ports.h"
#include "link/instrument_link.h"
#include "sim/sim_process.h"
#include "support/ui_recorder.h"

namespace zt30::test {

struct SimLink {
    explicit SimLink(std::vector<std::string> simArguments)
        : sim(ZT30_SIM_PATH, std::move(simArguments)),
          link(MakeSystemSerialBackend([path = sim.SlavePath()](int) { return path; }), clock, ui) {
        link.settings.portNumber = 1;
        link.telegrams.SetDestinationAddress(1);
        opened = !sim.SlavePath().empty() && link.line.Open(1);
    }

    SimProcess sim;
    SystemClock clock;
    UiRecorder ui;
    InstrumentLink link;
    bool opened = false;
};

}  // namespace zt30::test
