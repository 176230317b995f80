#pragma once

#include "core/filedescriptor.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

namespace lorvane {

// WriteFileBytes, the one function that saves a file, is declared in
// textfile.h beside WriteText; it is built on the locked file below. These
// helpers also keep a save off the files that the same command reads.

// How long a save or an edit waits for another one of the same file.
constexpr int kLockWaitSeconds = 10;

// What makes a file the same file whatever the path: device and inode.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

// The identity of the file that the path names, links followed; none when
// it names nothing.
std::optional<FileIdentity> IdentityOfFile(const QString &path);
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

// Throws Error "Cannot create file "<output>". It is the source file
// "<input>"" when `output` names the same file as one of `inputs`.
void RefuseOverwritingSource(const QString &output, const QStringList &inputs);

// What a locked file is opened for: an edit reads it and then writes it;
// a preview only reads it; a save only writes it.
enum class LockUse { Edit, Preview, Save };

// A regular file held under the advisory lock (flock) that every save and
// edit of Lorvane takes on the file itself, so that they take turns: from
// the read to the write for an edit, through the write for a save. Whoever
// takes the lock first goes first; the others wait up to kLockWaitSeconds.
// A copy of the old content that a stopped save left beside the file is
// put back before anything is read or written, and temporary files that
// stopped saves left are removed (a preview only names such a copy).
class LockedFile
{
public:
    // Opens the file that `path` names, links followed, and locks it. An
    // edit or a preview opens it for reading as ReadFileBytes does, with its
    // errors; a save finds no file (isOpen() false) when the path names no
    // regular file any more. Throws Error "Cannot create file ..." when the
    // lock is not to be had.
    LockedFile(const QString &path, LockUse use);

    bool isOpen() const { return m_fd.get() >= 0; }
    qint64 size() const { return qint64(m_info.st_size); }
    // Up to `size` bytes from `offset`; fewer where the file ends first.
    QByteArray read(qint64 offset, qsizetype size) const;
    // The same into `data`; returns how many bytes it read.
    qsizetype readInto(qint64 offset, char *data, qsizetype size) const;

    // Replaces the content with `head` followed by the file's own bytes
    // from `from` to its end, if the file is still what was read: the same
    // file at the path, with the same size, change times and first bytes
    // `readHead`. Returns false, having written nothing, when it changed.
    // Throws Error as WriteFileBytes does.
    bool replaceIfUnchanged(const QByteArray &head, qint64 from, const QByteArray &readHead);
    // Replaces the content with `bytes`; false when the path no longer names
    // the locked file.
    bool replace(const QByteArray &bytes);

private:
    bool write(const QByteArray &head, qint64 from, const QByteArray *readHead);
    bool writeInPlace(const QByteArray &head, qint64 from, const QByteArray *readHead);
    bool unchanged(const QByteArray *readHead) const;

    QString m_path;
    QByteArray m_native;
    FileDescriptor m_fd{-1};
    struct stat m_info{};
};

} // namespace lorvane
