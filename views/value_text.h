// The value text: how the main window shows the measured value and the sum, and so how the record file and
// zt30ctl write them. Rounded to 7 significant digits, fixed-point with exactly 3 decimals and the regional
// decimal separator; a number whose integer part needs more than 7 digits is written in scientific form.
#pragma once

#include <string>

namespace zt30 {

// 12.5 -> "12.500", 12345.678 -> "12345.680", 0.0004 -> "0.000", -3 -> "-3.000" (with '.' as separator);
// 123456789 -> "1.234568E+08" (7 significant digits, an exponent of at least two digits); "inf", "-inf" or
// "nan" when not finite. A negative number that rounds to zero is "0.000".
std::string ValueText(double value, char decimalSeparator);

}  // namespace zt30
