#include "support/request_examples.h"

namespace zt30::test {

const std::vector<RequestExample>& RequestExamples() {
    static const std::vector<RequestExample> examples = {
        {"ReadTable0", [](DeviceOperations& d) { return d.ReadTable(0); },
         "68 05 05 68 01 00 6C 01 00 6E 16"},
        {"ReadTable3", [](DeviceOperations& d) { return d.ReadTable(3); },
         "68 05 05 68 01 00 6C 01 03 71 16"},
        {"WriteTable1",
         [](DeviceOperations& d) {
             d.Image().func = 3;
             d.Image().dp = 2;
             d.Image().factor = 1;
             d.Image().config = 0x21;
             d.Image().filtr = 10000;
             return d.WriteTable(1);
         },
         "68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16"},
        {"WriteTable2",
         [](DeviceOperations& d) {
             d.Image().scale = 1.0f;
             d.Image().offset = 0.0f;
             return d.WriteTable(2);
         },
         "68 0D 0D 68 01 00 63 02 02 00 00 80 3F 00 00 00 00 27 16"},
        {"WriteTable5",
         [](DeviceOperations& d) {
             d.Image().address = 7;
             return d.WriteTable(5);
         },
         "68 06 06 68 01 00 63 02 05 07 72 16"},
        {"ClearCounter", [](DeviceOperations& d) { return d.ClearCounter(); },
         "68 06 06 68 01 00 63 02 06 55 C1 16"},
        {"ClearSum", [](DeviceOperations& d) { return d.ClearSum(); }, "68 06 06 68 01 00 63 02 07 5A C7 16"},
        {"Identification", [](DeviceOperations& d) { return d.ReadIdentification(); },
         "68 04 04 68 01 00 6C 00 6D 16"},
        {"Version", [](DeviceOperations& d) { return d.ReadVersion(); }, "68 04 04 68 01 00 6C 04 71 16"},
        {"ForeignIdentification", [](DeviceOperations& d) { return d.ReadForeignIdentification(); },
         "68 04 04 68 01 00 6C 00 6D 16"},
        {"StationStatusToFive",
         [](DeviceOperations& d) {
             d.Link().SetDestinationAddress(5);
             return d.RequestStationStatus();
         },
         "10 05 00 69 6E 16"},
    };
    return examples;
}

}  // namespace zt30::test
