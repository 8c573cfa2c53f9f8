// zt30_mqtt_child BROKER TOPIC CLIENT-ID STATE-FOLDER: a publisher that connects and then waits to be killed,
// for the test of the broker's last will.
#include <unistd.h>

#include <iostream>

#include "logger/mqtt_publisher.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        return 2;
    }
    zt30::logger::StreamJournal journal(std::cerr, false);
    auto publisher =
        zt30::logger::MakeMqttPublisher({argv[1], argv[2], "", "", "", argv[3], argv[4]}, journal);
    std::string error;
    if (!publisher->Start(error)) {
        std::cerr << error << "\n";
        return 1;
    }
    for (;;) {
        ::pause();
    }
}
