#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/error.h"
#include "core/filedescriptor.h"

namespace lorvane {

// Reads the file whole and replaces `lines` with its lines. The encoding is
// chosen by the byte-order mark (UTF-8, UTF-16 LE/BE) or is the system 8-bit
// code page. Throws Error and leaves `lines` unchanged on failure.
void ReadLines(const QString &path, QStringList &lines);

// Writes `text` in the system 8-bit code page with WriteFileBytes.
void WriteText(const QString &path, const QString &text);

// The one way to save a file. Links are followed; a dangling link creates
// its target. A regular file with one link in a folder that can be written
// is replaced by a complete new file with its owner, group and mode, so a
// failure part-way leaves the old content; a new file appears only
// complete. Anything else (a device, a FIFO, a hard-linked file, a file in a
// folder that cannot be written, another user's file that cannot be given
// away) is truncated and written in place. Throws Error "Cannot create file
// ..." when the file cannot be created or opened, "Stream write error" when
// a write stops making progress.
void WriteFileBytes(const QString &path, const QByteArray &bytes);

// The bytes that WriteText writes for a text: the system code page, with a
// byte-order mark only when that code page is UTF-8.
QByteArray EncodeText(const QString &text);

// The byte-order mark that EncodeText puts before the text: EF BB BF when
// the system code page is UTF-8, else none.
QByteArray EncodedTextMark();

// The two halves of ReadLines, for callers that split the text themselves.
QByteArray ReadFileBytes(const QString &path);

// Opens a regular file for reading as ReadFileBytes does, with the same
// errors, and gives its size at that moment.
FileDescriptor OpenFileForReading(const QString &path, qint64 &size);
// Reads from `fd` onto the end of `bytes` until it holds `want` bytes or the
// file ends; false when it ended. Throws ReadFileBytes's error.
bool ReadFileInto(const FileDescriptor &fd, const QString &path, QByteArray &bytes, qsizetype want);
// Reads the rest of the file onto the end of `bytes`, first up to `want`
// bytes, then growing: a file that grows meanwhile is read to its new end.
void ReadFileToEnd(const FileDescriptor &fd, const QString &path, QByteArray &bytes, qsizetype want);
// `path`, when given, is the file the bytes are from, which a failure names.
QString DecodeText(const QByteArray &bytes, const QString &path = QString());

// The UTF-16 code units of `text` in the given byte order, without a mark.
QByteArray EncodeUtf16(QStringView text, bool bigEndian);

enum class FileEncoding { CodePage, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct DetectedEncoding
{
    FileEncoding encoding;
    int markLength;
};

// The encoding that the byte-order mark at the start of `bytes` chooses.
DetectedEncoding DetectEncoding(const QByteArray &bytes);

// The failure of a text that does not decode in the encoding of its mark;
// with a path, the message ends with: File "<absolute path>".
Error NoMappingError(const QString &path = QString());

// The system's description of an error code, as the file messages use it.
QString SystemErrorText(int errorCode);

// "Cannot open file "<absolute path>". <reason>"
Error CannotOpenFileError(const QString &path, const QString &reason);

// "Cannot create file "<absolute path>". <reason>"
Error CannotCreateFileError(const QString &path, const QString &reason);

// The failure of a read that ran out of memory, naming the file.
Error NotEnoughMemoryError(const QString &path);

} // namespace lorvane
