#include "views/record_line.h"

namespace zt30 {

std::string RecordLine(const std::string& valueText, const std::string& sumText, const std::string& dateText,
                       const std::string& timeText) {
    std::string line;
    line.reserve(valueText.size() + sumText.size() + dateText.size() + timeText.size() + 10);
    for (const std::string* cell : {&valueText, &sumText, &dateText, &timeText}) {
        line += *cell;
        line += "; ";
    }
    line += "\r\n";
    return line;
}

}  // namespace zt30
