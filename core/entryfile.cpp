#include "core/entryfile.h"

#include "core/error.h"
#include "core/filename.h"
#include "core/savefile.h"
#include "core/textfile.h"
#include "core/utf8.h"

#include <QFileInfo>

namespace lorvane {

namespace {

// What is read of a file first: far more than a header takes.
constexpr qint64 kFirstHead = 64 * 1024;
// What the check of a UTF-8 file holds at a time.
constexpr qint64 kCheckChunk = 1 << 20;
// How often an edit starts again on a file that another program changed.
constexpr int kAttempts = 3;

// Whether the file's bytes from `from` on are UTF-8, read a bounded piece at
// a time.
bool restIsUtf8(const LockedFile &file, qint64 from)
{
    QByteArray piece;
    for (qint64 at = from; at < file.size();) {
        const QByteArray read = file.read(at, qsizetype(qMin(kCheckChunk, file.size() - at)));
        if (read.isEmpty())
            break;
        at += read.size();
        piece += read;
        // A sequence that the piece cuts is checked with the next one.
        qsizetype cut = 0;
        for (qsizetype back = 1; back <= 3 && back <= piece.size(); ++back) {
            const auto byte = static_cast<unsigned char>(piece[piece.size() - back]);
            if ((byte & 0xC0) == 0x80)
                continue;
            const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            cut = length > back && at < file.size() ? back : 0;
            break;
        }
        if (!IsValidUtf8(piece.constData(), piece.size() - cut))
            return false;
        piece = piece.right(cut);
    }
    return piece.isEmpty();
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
