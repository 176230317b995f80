#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace lorvane {

// The steps of a save on open descriptors. Each returns false, with errno
// set, when the system refuses; a write that stops making progress counts
// as a full disk.

// Writes all `size` bytes at the descriptor's position, or at `offset` when
// it is not negative, retrying short writes. A reader of a FIFO that goes
// away fails the write with EPIPE instead of ending the program.
bool WriteAll(int fd, const char *data, qint64 size, qint64 offset = -1);

// Copies up to `length` bytes of `from` at `fromOffset` to `to` at
// `toOffset`, in the kernel where it can, else through a bounded buffer.
// Gives the number copied, less than `length` when `from` ends first, or -1.
qint64 CopyBytes(int from, qint64 fromOffset, int to, qint64 toOffset, qint64 length);

// Sets aside the disk space for the file to hold `size` bytes, without
// changing its size or content, so that writing them cannot run out of
// room. True where the file system cannot set space aside.
bool ReserveRoom(int fd, qint64 size);

// Makes `to` hold exactly the first `size` bytes of `from`, on disk.
bool OverwriteWith(int to, int from, qint64 size);

// Puts the folder's entries on disk, so that a name made or removed in it
// survives a crash.
bool SyncFolder(const QByteArray &folder);

} // namespace lorvane
