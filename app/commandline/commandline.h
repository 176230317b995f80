#pragma once

#include "core/changereport.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace lorvane {

// What Lorvane's commands share: their dates, their output, the source
// folder search and their end.

// Reads an existing date written as YYYY-MM-DD; throws Error naming the
// option otherwise.
QDate ParseIsoDate(const QString &option, const QString &text);

// Writes all bytes to standard output; throws Error when they do not go out.
void WriteStdout(const QByteArray &bytes);

// The line that a message takes on standard error: its display text.
void PrintError(const QString &message);

// When no first date of a run read and the date format in force reads
// dates otherwise than dd.MM.yyyy, the format the headers are made for:
// one line on standard error naming the format, where it came from and how
// to give another.
void PrintDateFormatHint(const FirstDateCount &firstDates);

// Reads a file list to its end: a regular file, a FIFO or a device such as
// /dev/stdin, as a shell redirection would.
QByteArray ReadListFile(const QString &path);

// The source files of a folder, searched as lorvane-report searches FOLDER:
// folders below it that cannot be listed are skipped and named on standard
// error, or with `strict` fail the run; a folder that does not exist, is no
// folder or cannot be listed itself throws Error. `exclude` is the search's
// exclusion pattern.
QStringList SearchSourceFolder(const QString &folder, const QString &exclude = {}, bool strict = false);

// Runs a command on its arguments, each taken from its bytes as a file name
// is. A failure that reaches here is printed on standard error and ends the
// command with status 2.
int RunCommandLine(int argc, char **argv, int (*run)(const QStringList &arguments));

} // namespace lorvane
