#include "core/headercheck.h"

#include "core/error.h"

#include <algorithm>
#include <tuple>

namespace lorvane {

namespace {

// The first and the last day a header date can name: over this window the
// walk takes the whole change list.
const QDate kFirstDay(1, 1, 1);
const QDate kLastDay(9999, 12, 31);

struct Checked
{
    HeaderReading whole; // the header read over every day
    QList<HeaderProblem> problems;
};

void sortByLine(QList<HeaderProblem> &problems)
{
    std::stable_sort(problems.begin(), problems.end(),
                     [](const HeaderProblem &a, const HeaderProblem &b) { return a.line < b.line; });
}

Checked check(const QString &name, const QByteArray &bytes, QDate today, FirstDateCount *firstDates)
{
    Checked checked{ReadHeader(name, bytes, kFirstDay, kLastDay, {}, today), {}};
    if (firstDates) {
        firstDates->read += checked.whole.firstDate.has_value();
        firstDates->unread += checked.whole.firstDateUnread;
    }
    QList<HeaderProblem> future;
    for (const HeaderReading::DatedLine &dated : checked.whole.datedLines) {
        if (dated.date > today)
            future.append({0, name, dated.line, FutureEntryMessage(dated.field)});
    }
    // With no date after today the walk of the window that ends today reads
    // the same lines as the walk of every day, and so finds the same
    // problems; otherwise it stops earlier and the scan goes on from there.
    checked.problems = future.isEmpty() ? checked.whole.problems
                                        : ReadHeader(name, bytes, kFirstDay, today, {}, today).problems;
    checked.problems += future;
    sortByLine(checked.problems);
    return checked;
}

// Orders dated entries by date, then text.
bool entryBefore(const ReportEntry &a, const ReportEntry &b)
{
    return std::tie(*a.date, a.text) < std::tie(*b.date, b.text);
}

// The dated entries, sorted so that two lists compare as multisets.
QList<ReportEntry> sortedEntries(const QList<ReportEntry> &entries)
{
    QList<ReportEntry> dated;
    for (const ReportEntry &entry : entries) {
        if (entry.date)
            dated.append(entry);
    }
    std::sort(dated.begin(), dated.end(), entryBefore);
    return dated;
}

QList<ReportEntry> baseEntries(const QString &name, const std::optional<QByteArray> &base, QDate today)
{
    if (!base)
        return {};
    try {
        return sortedEntries(ReadHeader(name, *base, kFirstDay, kLastDay, {}, today).entries);
    } catch (const Error &) {
        // Nothing of it could be read, so whatever entries the file has now
        // were not read before.
        return {};
    }
}

} // namespace

QDate FirstHeaderDay()
{
    return kFirstDay;
}

QString FutureEntryMessage(const QString &field)
{
    return QStringLiteral("Ошибка: дата записи %1 позже сегодняшней.").arg(field);
}

QString NoNewEntryMessage()
{
    return QStringLiteral("Ошибка: нет новой записи в списке изменений.");
}

QList<HeaderProblem> CheckHeader(const QString &name, const QByteArray &bytes, QDate today,
                                FirstDateCount *firstDates)
{
    return check(name, bytes, today, firstDates).problems;
}

QList<HeaderProblem> CheckChangedHeader(const QString &name, const QByteArray &bytes,
                                        const std::optional<QByteArray> &base, QDate today,
                                        FirstDateCount *firstDates)
{
    Checked checked = check(name, bytes, today, firstDates);
    // A file without a header has no change list to add to: its one
    // problem says so.
    if (!checked.whole.hasHeader)
        return checked.problems;
    const QList<ReportEntry> before = baseEntries(name, base, today);
    const QList<ReportEntry> now = sortedEntries(checked.whole.entries);
    if (std::includes(before.begin(), before.end(), now.begin(), now.end(), entryBefore)) {
        checked.problems.append({0, name, checked.whole.heading.value_or(0), NoNewEntryMessage()});
        sortByLine(checked.problems);
    }
    return checked.problems;
}

} // namespace lorvane
