#pragma once

#include "core/changeentry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lorvane {

// Adding a change entry to a file on disk. Only the header changes, so only
// the first bytes of the file, as far as the report reads them, are read as
// text and rewritten; the rest is copied as it is. The file is held under
// its lock (LockedFile) from the read to the write.

// The first bytes of a file and what the entry makes of them.
struct FileEntryEdit
{
    QByteArray oldHead;
    EntryEdit edit; // its bytes take the place of oldHead
};

// Adds the entry to the file at `path` and writes it. Should another
// program change the file between the read and the write, nothing is
// written and the entry is added to the new content, a few times at most.
// Gives the notes of the edit. Throws Error as AddChangeEntry and
// WriteFileBytes do, and "File "<absolute path>" changed while the entry was
// being written; nothing was written" when the file kept changing.
QStringList AddChangeEntryToFile(const QString &path, const ChangeEntry &entry);

// What AddChangeEntryToFile would change, without writing anything.
FileEntryEdit PreviewChangeEntry(const QString &path, const ChangeEntry &entry);

} // namespace lorvane
