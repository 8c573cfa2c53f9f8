// Helpers of the simulator's tests: the shared hexadecimal byte vectors, under the simulator tests'
// namespace.
#pragma once

#include "support/hex.h"

namespace zt30::sim::test {

using zt30::test::Hex;
using zt30::test::ToHex;

}  // namespace zt30::sim::test
