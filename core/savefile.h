#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <sys/types.h>

namespace lorvane {

// WriteFileBytes, the one function that saves a file, is declared in
// textfile.h beside WriteText. These helpers keep a save off the files that
// the same command reads.

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

} // namespace lorvane
