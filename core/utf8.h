#pragma once

#include <QChar>

namespace lorvane {

// Length of the well-formed UTF-8 sequence at p (1 to 4), or 0 when the
// bytes there are not one: overlong forms, surrogates and code points above
// U+10FFFF are not well-formed.
int Utf8SequenceLength(const unsigned char *p, qsizetype left);

bool IsValidUtf8(const char *data, qsizetype size);

// Decodes UTF-8 that IsValidUtf8 accepts into `out`, which has room for
// `size` units, and returns the end of the decoded text. A byte-order mark
// is a character like any other.
QChar *DecodeUtf8(const char *data, qsizetype size, QChar *out);

} // namespace lorvane
