// The four settings of the link as the port dialog holds them: the COM port, its speed and the two bus
// addresses.
#pragma once

namespace zt30 {

struct PortSettings {
    int portNumber = 0;          // 0 is "no port", 1 to 8 are COM1 to COM8
    int baudRate = 9600;         // bit/s
    int destinationAddress = 0;  // the instrument's bus address (DA), 0 to 126
    int sourceAddress = 0;       // this computer's bus address (SA), 0 to 126

    friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

// The line speeds the program offers, in the order of the port dialog's list.
inline constexpr int kBaudRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,
                                     19200, 38400, 56000, 57600, 115200, 128000, 256000};

}  // namespace zt30
