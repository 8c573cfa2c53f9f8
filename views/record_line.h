// One line of the record file: the four texts of a measured-values row (value text, sum text, short date and
// long time in the regional formats), each followed by "; ", then CR LF. The program's records window and
// zt30ctl watch both write it, so their files read alike.
#pragma once

#include <string>

namespace zt30 {

// "A; B; D; T; \r\n" for the texts A, B, D and T.
std::string RecordLine(const std::string& valueText, const std::string& sumText, const std::string& dateText,
                       const std::string& timeText);

}  // namespace zt30
