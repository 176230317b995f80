#pragma once

#include "core/savefile.h"

#include <QByteArray>

#include <optional>

namespace lorvane {

// The files that a save makes beside its target, named after the process
// that makes them, so that a later save can tell those that a stopped
// process left behind:
//
//   .lv<pid>.<start>.<n>.tmp       content being written: a new file, or a
//                                  copy not yet complete
//   .lv<pid>.<start>.<inode>.old   the complete old content of the file
//                                  with that inode in the same folder, kept
//                                  while that file is written in place
//
// The numbers are in base 36; <start> is when the process started, in clock
// ticks after boot, so that a process id used again is not taken for the
// old one. A name is at most 40 bytes.

// A name for content being written, new at each call.
QByteArray TemporaryName();
// The name of the copy of the old content of the file with `inode`.
QByteArray BackupName(ino_t inode);

// The file that a save is about to write: its identity, and a path to it
// when the caller holds its lock.
struct SaveTarget
{
    FileIdentity identity;
    QByteArray path;
};

// Looks at the leftovers in `folder` ("/" ended, or empty for the working
// folder) before a save into it: those that this user's processes made and
// that no process holds. A temporary file is removed. A copy of old content
// is put back into `target` when it is that file's; any other is named on
// standard error, with the file it belongs to. For a run that writes
// nothing (`mayWrite` false) nothing is removed or put back, and every copy
// is named. Throws Error when the target's old content cannot be put back.
void TidyFolder(const QByteArray &folder, const std::optional<SaveTarget> &target, bool mayWrite);

} // namespace lorvane
