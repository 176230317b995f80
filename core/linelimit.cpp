#include "core/linelimit.h"

#include "core/error.h"
#include "core/lines.h"

#include <optional>

namespace lorvane {

namespace {

const QString kCreationMark = QStringLiteral("Создание проекта");

// The pane's view of one report: its line count, split into the heading's
// lines and the rest, which only a rebuild can change.
struct PaneMeasure
{
    int headingLines = 0;
    int otherLines = 0;
    bool creationMark = false;

    int total() const { return headingLines + otherLines; }
};

PaneMeasure measure(const LineLimitTarget &target, const QStringList &report, ReportKind kind)
{
    const QString text = JoinLines(report);
    PaneMeasure result;
    result.creationMark = text.contains(kCreationMark);
    const QStringList paragraphs = SplitText(text);
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        const int lines = target.ShownLines(paragraphs[i]);
        if (i == 0 && kind == ReportKind::Report)
            result.headingLines = lines;
        else
            result.otherLines += lines;
    }
    return result;
}

} // namespace

int LineLimitOf(const QString &text)
{
    bool ok = false;
    const int limit = text.toInt(&ok);
    return ok ? limit : 0;
}

std::optional<ReportKind> ApplyLineLimit(LineLimitTarget &target)
{
    if (!target.LimitOn())
        return std::nullopt;
    if (target.PaneLineCount() <= LineLimitOf(target.LimitText()))
        return std::nullopt;

    const QDate end = target.EndDate();
    const QDate entering = target.StartDate();
    QDate start = end.addDays(-1);
    target.SetStartDate(start);
    target.SetPaneText(QString());

    RepeatedChangeReport builder(target.Files(), end, target.Options(), target.Progress());
    QStringList report;
    ReportKind kind = ReportKind::Report;
    std::optional<PaneMeasure> pane; // none while the pane is empty
    // The loop needs no bound with files that stay as they are: the report
    // of the entering start date already had more lines than the limit. As
    // a guard, it stops once the start has passed both that date and the
    // oldest date of any header, before which the report cannot grow.
    QDate guard = entering;

    for (;;) {
        if ((pane ? pane->total() : 0) >= LineLimitOf(target.LimitText()))
            break;
        if (pane && pane->creationMark)
            break;
        if (pane && start < guard)
            break;
        start = start.addDays(-1);
        const std::optional<QDate> nextChange = builder.NextChangeAt();
        if (pane && !(nextChange && start <= *nextChange)) {
            // Only the heading differs from the previous day's report.
            if (kind == ReportKind::Report) {
                report.first() = ReportHeading(start, end);
                pane->headingLines = target.ShownLines(report.first());
            }
            continue;
        }
        QStringList next;
        try {
            kind = builder.Build(start, next);
        } catch (const Error &) {
            target.SetStartDate(start);
            target.SetResultText(next);
            if (pane)
                target.SetPaneText(JoinLines(report));
            throw;
        }
        report = std::move(next);
        pane = measure(target, report, kind);
        if (const std::optional<QDate> oldest = builder.OldestDate())
            guard = qMin(guard, *oldest);
    }

    target.SetStartDate(start);
    if (!pane)
        return std::nullopt;
    target.SetResultText(report);
    target.SetPaneText(JoinLines(report));
    return kind;
}

} // namespace lorvane
