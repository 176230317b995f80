#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "error.h"

namespace lorvane {

// Reads the file whole and replaces `lines` with its lines. The encoding is
// chosen by the byte-order mark (UTF-8, UTF-16 LE/BE) or is the system 8-bit
// code page. Throws Error and leaves `lines` unchanged on failure.
void ReadLines(const QString &path, QStringList &lines);

// Writes `text` in the system 8-bit code page. The previous content of the
// file is replaced only once every byte has been written.
void WriteText(const QString &path, const QString &text);

// Replaces the content of the file at `path` with `bytes`; the one way
// Lorvane saves a file.
void WriteFileBytes(const QString &path, const QByteArray &bytes);

// The bytes that WriteText writes for a text: the system code page, with a
// byte-order mark only when that code page is UTF-8.
QByteArray EncodeText(const QString &text);

// The two halves of ReadLines, for callers that split the text themselves.
QByteArray ReadFileBytes(const QString &path);
QString DecodeText(const QByteArray &bytes);

enum class FileEncoding { CodePage, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct DetectedEncoding
{
    FileEncoding encoding;
    int markLength;
};

// The encoding that the byte-order mark at the start of `bytes` chooses.
DetectedEncoding DetectEncoding(const QByteArray &bytes);

// The failure of a text that does not decode in the encoding of its mark.
Error NoMappingError();

// The system's description of an error code, as the file messages use it.
QString SystemErrorText(int errorCode);

} // namespace lorvane
