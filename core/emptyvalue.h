#pragma once

#include <QVariant>

namespace lorvane {

// The empty test of the report builder: a text is empty when it has no
// character or is the one character U+0000; null is empty; a number or a
// date is empty when zero, a truth value when false, a byte array when it
// has no bytes. Any other kind throws Error.
bool IsEmptyValue(const QVariant &value);
bool IsEmptyValue(QStringView text);
inline bool IsEmptyValue(const QString &text)
{
    return IsEmptyValue(QStringView(text));
}

template<typename T>
const T &ChooseValue(bool flag, const T &a, const T &b)
{
    return flag ? a : b;
}

} // namespace lorvane
