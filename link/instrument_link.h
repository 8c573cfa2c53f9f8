// The program's one connection to the instrument, as the port dialog keeps it for the whole run: the port
// settings, the serial line over the platform's backend, the telegram layer with the link's two bus
// addresses, the device image and the device operations over them. The windows reach the instrument only
// through it.
#pragma once

#include <memory>

#include "link/clock.h"
#include "link/device.h"
#include "link/port_settings.h"
#include "link/serial_line.h"
#include "link/telegram.h"
#include "link/ui_services.h"

namespace zt30 {

class InstrumentLink {
public:
    // backend: the platform's port (the system's, or a fake in tests); clock: the telegram layer's and the
    // dialogs' pauses; ui: the device operations' two programming-error boxes. clock and ui must outlive it.
    InstrumentLink(std::unique_ptr<SerialBackend> backend, Clock& clock, UiServices& ui)
        : line(settings, std::move(backend)),
          telegrams(line, clock),
          device(telegrams, image, ui),
          clock_(clock) {}
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    Clock& clock() { return clock_; }

    PortSettings settings;
    SerialLine line;
    TelegramLayer telegrams;
    DeviceImage image;
    DeviceOperations device;

private:
    Clock& clock_;
};

}  // namespace zt30
