#pragma once

#include "core/changereport.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace lorvane {

// The checks that gate a change on a file's header. Each takes the file's
// bare name (the name its problems carry) and its bytes as a source file
// holds them, and gives the problems in the order of their lines (for one
// line, the report's own before the others), each with its 0-based line;
// their `file` is 0, for the caller to set. Dates are read as the report
// reads them on the day `today`. Throws Error when the bytes do not decode,
// as reading such a file does. `firstDates`, when given, counts how the
// file's first date reads.

// The first day a header date can name: where the window of the checks
// starts.
QDate FirstHeaderDay();

// "Ошибка: дата записи %1 позже сегодняшней.": %1 is the date field as the
// header shows it.
QString FutureEntryMessage(const QString &field);
// "Ошибка: нет новой записи в списке изменений."
QString NoNewEntryMessage();

// A file on its own: the problems of the report's error list for the
// window from the first day a header can name to `today` (what
// `lorvane-report --errors-only` gives for that window), and each line of
// the change list dated after `today`, at that line.
QList<HeaderProblem> CheckHeader(const QString &name, const QByteArray &bytes, QDate today,
                                FirstDateCount *firstDates = nullptr);

// A file that a change made or changed: CheckHeader, and the change must
// have added an entry. Its entries (date and text, each as many times as
// it stands) must not all be among those of `base`, the file's bytes before
// the change; a new file (no `base`) must have at least one. Else the
// problem NoNewEntryMessage() stands at the change-list heading, or at line
// 0 when the header has none. A `base` that does not decode counts as a
// file without entries.
QList<HeaderProblem> CheckChangedHeader(const QString &name, const QByteArray &bytes,
                                        const std::optional<QByteArray> &base, QDate today,
                                        FirstDateCount *firstDates = nullptr);

} // namespace lorvane
