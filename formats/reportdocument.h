#pragma once

#include "core/changereport.h"

#include <QDate>
#include <QStringList>

namespace lorvane {

// One run of the builder, as the Markdown and JSON forms render it.
struct ReportDocument
{
    ReportKind kind = ReportKind::Report;
    QDate start;
    QDate end;
    QStringList files; // the paths given to the builder
    ReportContent content;
};

} // namespace lorvane
