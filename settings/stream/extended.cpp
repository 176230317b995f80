#include "settings/stream/extended.h"

#include <cmath>
#include <limits>

namespace lorvane {

namespace {

constexpr int kBias = 16383;
constexpr std::uint16_t kMaxExponent = 0x7FFF;
constexpr std::uint64_t kIntegerBit = std::uint64_t(1) << 63;

Extended Pack(bool negative, std::uint16_t exponent, std::uint64_t significand)
{
    Extended out{};
    for (int i = 0; i < 8; ++i)
        out[i] = std::uint8_t(significand >> (8 * i));
    const std::uint16_t top = std::uint16_t(exponent | (negative ? 0x8000 : 0));
    out[8] = std::uint8_t(top);
    out[9] = std::uint8_t(top >> 8);
    return out;
}

} // namespace

Extended DoubleToExtended(double value)
{
    const bool negative = std::signbit(value);
    if (std::isnan(value))
        return Pack(negative, kMaxExponent, kIntegerBit | (kIntegerBit >> 1));
    if (std::isinf(value))
        return Pack(negative, kMaxExponent, kIntegerBit);
    if (value == 0)
        return Pack(negative, 0, 0);
    int exponent = 0;
    // frexp normalises doubles below the normal range too; the extended
    // exponent range holds all of them as normal numbers.
    const double fraction = std::frexp(std::fabs(value), &exponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    return Pack(negative, std::uint16_t(exponent - 1 + kBias), significand);
}

double ExtendedToDouble(const Extended &bytes)
{
    std::uint64_t significand = 0;
    for (int i = 0; i < 8; ++i)
        significand |= std::uint64_t(bytes[i]) << (8 * i);
    const int top = bytes[8] | (bytes[9] << 8);
    const bool negative = top & 0x8000;
    const int exponent = top & kMaxExponent;
    double magnitude;
    if (exponent == kMaxExponent) {
        magnitude = (significand << 1) == 0 ? std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::quiet_NaN();
    } else {
        // Denormals have the exponent of 1 and no integer bit.
        const int unbiased = (exponent == 0 ? 1 : exponent) - kBias;
        magnitude = std::ldexp(static_cast<double>(significand), unbiased - 63);
    }
    return negative ? -magnitude : magnitude;
}

} // namespace lorvane
