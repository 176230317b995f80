#pragma once

#include <cstdint>

namespace lorvane {

// Tag byte that precedes every value of a property stream.
enum class ValueType : std::uint8_t {
    vaNull = 0x00,
    vaList = 0x01,
    vaInt8 = 0x02,
    vaInt16 = 0x03,
    vaInt32 = 0x04,
    vaExtended = 0x05,
    vaString = 0x06,
    vaIdent = 0x07,
    vaFalse = 0x08,
    vaTrue = 0x09,
    vaBinary = 0x0A,
    vaSet = 0x0B,
    vaLString = 0x0C,
    vaNil = 0x0D,
    vaCollection = 0x0E,
    vaSingle = 0x0F,
    vaCurrency = 0x10,
    vaDate = 0x11,
    vaWString = 0x12,
    vaInt64 = 0x13,
    vaUTF8String = 0x14,
    vaDouble = 0x15,
};

// The four bytes that begin every property stream.
inline constexpr char kSignature[] = "TPF0";
inline constexpr int kSignatureSize = int(sizeof kSignature) - 1;

// A component record may begin with a prefix byte: kPrefixMark with these
// flags in its low four bits; kChildPos is followed by an integer value.
inline constexpr std::uint8_t kPrefixMark = 0xF0;
inline constexpr std::uint8_t kInherited = 0x01;
inline constexpr std::uint8_t kChildPos = 0x02;
inline constexpr std::uint8_t kInline = 0x04;

} // namespace lorvane
