#include "core/linelimit.h"

#include "core/error.h"
#include "core/lines.h"

#include <optional>

namespace lorvane {

namespace {

const QString kCreationMark = QStringLiteral("Создание проекта");

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

    // The mark has no line break: it stands in the pane's text exactly when
    // it stands in one of its paragraphs.
    RepeatedChangeReport builder(target.Files(), end, target.Options(), target.Progress(),
                                 {[&target](QStringView paragraph) { return target.ShownLines(paragraph); },
                                  [](QStringView paragraph) { return paragraph.contains(kCreationMark); }});
    std::optional<ReportMeasure> pane; // none while the pane is empty
    // The loop needs no bound with files that stay as they are: the report
    // of the entering start date already had more lines than the limit. As
    // a guard, it stops once the start has passed both that date and the
    // oldest date of any header, before which the report cannot grow.
    QDate guard = entering;

    for (;;) {
        if ((pane ? pane->lines : 0) >= LineLimitOf(target.LimitText()))
            break;
        if (pane && pane->marked)
            break;
        if (pane && start < guard)
            break;
        start = start.addDays(-1);
        try {
            pane = builder.MoveStart(start);
        } catch (const Error &) {
            target.SetStartDate(start);
            target.SetResultText(builder.FailedReport());
            if (pane) {
                QStringList last;
                builder.Report(last);
                target.SetPaneText(JoinLines(last));
            }
            throw;
        }
        if (const std::optional<QDate> oldest = builder.OldestDate())
            guard = qMin(guard, *oldest);
    }

    target.SetStartDate(start);
    if (!pane)
        return std::nullopt;
    QStringList report;
    const ReportKind kind = builder.Report(report);
    target.SetResultText(report);
    target.SetPaneText(JoinLines(report));
    return kind;
}

} // namespace lorvane
