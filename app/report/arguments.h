#pragma once

#include "core/changereport.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace lorvane {

// The forms of a report: text and HTML as the window saves them, Markdown
// and JSON rendered from the report's content.
enum class ReportFormat { Text, Html, Markdown, Json };

// What a command line of lorvane-report asks for.
struct ReportArguments
{
    enum class Mode { Report, Help, Version };

    Mode mode = Mode::Report;
    QDate from;
    QDate to;
    ReportOptions options;
    std::optional<int> limit;
    QString output;   // empty: standard output
    QString filesFrom; // "-" for standard input; empty when a folder is given
    QString folder;
    bool strict = false; // a folder that cannot be listed fails the run
    ReportFormat format = ReportFormat::Text; // Html with options.Html
    QString exclude; // the search's exclusion pattern
    bool errorsOnly = false; // nothing for a clean run, else the error list
};

// Throws Error with a message for the user on a bad command line.
ReportArguments ParseReportArguments(const QStringList &arguments);

QString ReportUsage();

} // namespace lorvane
