#pragma once

#include "core/changereport.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace lorvane {

// What the line limit works on: the options and dates of the analysis
// dialog, its report, and the result pane.
class LineLimitTarget
{
public:
    virtual ~LineLimitTarget() = default;

    virtual bool LimitOn() const = 0;
    virtual QString LimitText() const = 0;
    virtual QDate StartDate() const = 0;
    virtual QDate EndDate() const = 0;
    virtual void SetStartDate(QDate date) = 0;

    virtual QStringList Files() const = 0;
    virtual ReportOptions Options() const = 0;
    virtual ReportProgress &Progress() = 0;
    virtual void SetResultText(const QStringList &report) = 0;

    // The shown line count of the pane as it stands.
    virtual int PaneLineCount() const = 0;
    // The lines that one paragraph of pane text (a text without line
    // breaks) takes in the pane; the pane's count is their sum.
    virtual int ShownLines(QStringView paragraph) const = 0;
    virtual void SetPaneText(const QString &text) = 0;
};

// The limit that a text gives: a whole number, or 0 for any other text.
int LineLimitOf(const QString &text);

// When the limit is on and the pane has more lines than the limit: replaces
// the report by that of the first window, moving the start back one day at a
// time from the day before the end date, that reaches the limit or holds
// "Создание проекта". Each file is read once, and a day back costs only
// what it changes in the report; the pane is set once, at the end. Throws
// Error when a file cannot be read, with the pane holding the last complete
// report and the start date its day.
// Gives the kind of the report it put in the pane; none when it put none.
std::optional<ReportKind> ApplyLineLimit(LineLimitTarget &target);

} // namespace lorvane
