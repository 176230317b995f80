#pragma once

#include <QChar>

namespace lorvane {

// Byte scans on the hot path of reading source files, sixteen bytes at a
// time where the processor allows.

// The index of the first byte from `from` on that is NUL, LF or CR, or
// `size` when there is none.
qsizetype FindLineBreakByte(const char *bytes, qsizetype from, qsizetype size);

// The length of the run of bytes below 0x80 at the start of `bytes`.
qsizetype AsciiPrefixLength(const char *bytes, qsizetype size);

// Widens `count` bytes below 0x80 into characters.
void WidenAscii(const char *bytes, qsizetype count, QChar *out);

// Narrows the run of characters below 0x80 at the start of `text` into
// bytes and returns its length.
qsizetype NarrowAscii(const QChar *text, qsizetype size, char *out);

} // namespace lorvane
