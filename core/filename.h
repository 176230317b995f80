#pragma once

#include <QByteArray>
#include <QString>

namespace lorvane {

// File names on Linux are bytes. Valid UTF-8 becomes its characters; every
// byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC00 + byte, so that any name found on disk can be opened again.
QString FileNameFromBytes(const QByteArray &bytes);
QByteArray FileNameToBytes(const QString &name);

// The path made absolute against the working folder and cleaned of "." and
// ".." parts, without asking the file system about its names.
QString AbsoluteFileName(const QString &path);

// True when the path, links followed, names a folder.
bool IsFolder(const QString &path);

} // namespace lorvane
