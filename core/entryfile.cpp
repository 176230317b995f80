#include "core/entryfile.h"

#include "core/error.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/textfile.h"
#include "core/utf8.h"

#include <QFileInfo>

#include <cstring>

namespace lorvane {

namespace {

// What is read of a file first: far more than a header takes.
constexpr qint64 kFirstHead = 64 * 1024;
// What the check of a UTF-8 file holds at a time.
constexpr qint64 kCheckChunk = 1 << 20;
// How often an edit starts again on a file that another program changed.
constexpr int kAttempts = 3;

// How many bytes at the end of `data` begin a sequence that goes on past it.
qsizetype unfinishedSequence(const char *data, qsizetype size)
{
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(data[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// Whether the file's bytes from `from` on are UTF-8, read a bounded piece at
// a time into one buffer.
bool restIsUtf8(const LockedFile &file, qint64 from)
{
    // A piece, after the start of a sequence that the last piece cut.
    QByteArray buffer(kCheckChunk + 3, Qt::Uninitialized);
    qsizetype carried = 0;
    for (qint64 at = from; at < file.size();) {
        const qsizetype got =
            file.readInto(at, buffer.data() + carried, qsizetype(qMin(kCheckChunk, file.size() - at)));
        if (got == 0)
            break;
        at += got;
        const qsizetype filled = carried + got;
        const qsizetype cut = at < file.size() ? unfinishedSequence(buffer.constData(), filled) : 0;
        if (!IsValidUtf8(buffer.constData(), filled - cut))
            return false;
        std::memmove(buffer.data(), buffer.constData() + filled - cut, size_t(cut));
        carried = cut;
    }
    return carried == 0;
}

// Reads the file's first bytes, more of them until the header's reading
// stays clear of their end, and adds the entry to them.
FileEntryEdit editFirstBytes(const LockedFile &file, const QString &path, const ChangeEntry &entry)
{
    // The failures come in the order in which the whole file would give them.
    CheckChangeEntry(entry);
    const QByteArray mark = file.read(0, 3);
    if (DetectEncoding(mark).encoding == FileEncoding::Utf8 && !restIsUtf8(file, 3))
        throw NoMappingError();
    const QString name = QFileInfo(path).fileName();
    for (qint64 want = kFirstHead;; want *= 2) {
        const bool whole = want >= file.size();
        QByteArray head = file.read(0, qsizetype(whole ? file.size() : want));
        if (!whole) {
            const qsizetype cut = LastLineStart(head);
            if (cut < 0) {
                want = file.size(); // doubled, the whole file
                continue;
            }
            if (cut == 0)
                continue;
            head.truncate(cut);
        }
        if (std::optional<EntryEdit> edit = AddChangeEntryToHead(name, head, whole, entry))
            return {std::move(head), std::move(*edit)};
    }
}

} // namespace

QStringList AddChangeEntryToFile(const QString &path, const ChangeEntry &entry)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        LockedFile file(path, LockUse::Edit);
        FileEntryEdit edit = editFirstBytes(file, path, entry);
        if (file.replaceIfUnchanged(edit.edit.bytes, edit.oldHead.size(), edit.oldHead))
            return edit.edit.notes;
    }
    throw Error(QStringLiteral("File \"%1\" changed while the entry was being written; nothing was written")
                    .arg(AbsoluteFileName(path)));
}

FileEntryEdit PreviewChangeEntry(const QString &path, const ChangeEntry &entry)
{
    const LockedFile file(path, LockUse::Preview);
    return editFirstBytes(file, path, entry);
}

} // namespace lorvane
