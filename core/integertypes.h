#pragma once

namespace lorvane {

// Whether a QMetaType id is one of the integer types (the character types
// char, signed char and unsigned char included, bool and QChar not).
bool IsIntegerType(int metaTypeId);

} // namespace lorvane
