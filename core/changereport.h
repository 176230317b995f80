#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace lorvane {

struct ReportOptions
{
    bool Html = false;
    bool WithDescription = false;
    bool OnlyChanges = false;
};

// How a run tells its caller which file it is on.
class ReportProgress
{
public:
    virtual ~ReportProgress() = default;
    virtual void FileStarted(const QString &name) = 0;
    virtual void FileDone() = 0;
};

enum class ReportKind { Report, ErrorList };

// Replaces `resultText` with the change report of `files` for the window
// Start..End, or with the error list when any header check failed. A file
// that cannot be read throws Error; `resultText` then holds the heading and
// the blocks of the files before it.
ReportKind BuildChangeReport(const QStringList &files, QDate start, QDate end,
                             const ReportOptions &options, ReportProgress &progress,
                             QStringList &resultText);

} // namespace lorvane
