#pragma once

#include <array>
#include <cstdint>

namespace lorvane {

// The 80-bit IEEE extended-precision layout, little-endian: 64-bit
// significand with an explicit integer bit, then sign and 15-bit exponent.
// Built from the bits of a double so that the bytes do not depend on the
// compiler's long double.
using Extended = std::array<std::uint8_t, 10>;

Extended DoubleToExtended(double value);
// Rounds to the nearest double; values beyond its range become infinite.
double ExtendedToDouble(const Extended &bytes);

} // namespace lorvane
