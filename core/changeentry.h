#pragma once

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace lorvane {

// One change to record in source headers: its date and its items, each
// written as "[" marker "] " text.
struct ChangeEntry
{
    QDate date;
    QChar marker = u'+';
    QStringList texts;
};

// Throws Error when the entry cannot stand in any header: no items, an item
// that is empty or blank or holds a line break, text that is not valid
// Unicode, a marker that is a line break.
void CheckChangeEntry(const ChangeEntry &entry);

// A header with the entry added.
struct EntryEdit
{
    QByteArray bytes;
    // What was left as it was and should be looked at, one line each.
    QStringList notes;
};

// Adds the entry at the top of the change list of a file, given by its bare
// name and its content: a dated line, or continuation lines under the
// newest date when the entry carries that date; and carries the copyright
// year range up to the entry's year. Every other byte stays as it was: the
// mark, the other lines, every line break. The result is checked by reading
// it back as the report builder does; throws Error with the reason, and
// changes nothing, when the entry cannot be added or would not read back.
EntryEdit AddChangeEntry(const QString &name, const QByteArray &bytes, const ChangeEntry &entry);

// The same for the first bytes of a file when `whole` is false: they end
// where a line starts, and the rest of the file, which decodes (a UTF-8 file
// is checked to its end first), follows them unchanged.
// Gives nothing when the header reaches too near the end of `bytes` to be
// sure that the rest changes nothing: more of the file is needed then. The
// new bytes take the place of the first ones; with the rest after them they
// are what AddChangeEntry gives for the whole file, and a diff of the first
// bytes shows what a diff of the whole file shows.
std::optional<EntryEdit> AddChangeEntryToHead(const QString &name, const QByteArray &bytes, bool whole,
                                              const ChangeEntry &entry);

// Where the first bytes of a file may end for AddChangeEntryToHead: just
// after the last line break in `bytes` that is known to be whole (an LF, or
// a CR that no LF follows), in the encoding of their mark. 0 when there is
// none; -1 when the encoding cannot be cut between lines without decoding
// all that comes before (a multi-byte code page that keeps a state).
qsizetype LastLineStart(const QByteArray &bytes);

} // namespace lorvane
