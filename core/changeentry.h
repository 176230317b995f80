#pragma once

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QString>
#include <QStringList>

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

} // namespace lorvane
