#pragma once

#include <QString>
#include <QStringView>

namespace lorvane {

// Whether every surrogate of the text is part of a pair. A file name that is
// not UTF-8 holds lone surrogates (core/filename.h), and so may a text read
// from a UTF-16 file.
bool IsWellFormedUtf16(QStringView text);

// The text with U+FFFD in place of every lone surrogate: what UTF-8 output
// can hold of it.
QString WithReplacementCharacters(QStringView text);

} // namespace lorvane
