#pragma once

#include <QByteArray>
#include <QString>

namespace lorvane {

// File names on Linux are bytes. Valid UTF-8 becomes its characters; every
// byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC00 + byte, so that any name found on disk can be opened again.
QString FileNameFromBytes(const QByteArray &bytes);
QByteArray FileNameToBytes(const QString &name);

} // namespace lorvane
