#pragma once

#include <QDateTime>
#include <QString>

namespace lorvane {

// Every operation reads the file anew; the file name "*" stands for the
// running program's own executable.

// The fixed file version of the file as "%d.%d.%.3d%.5d" of the parts P1,
// P3, P2, P4, or "0.0.0000000" when the file has none.
QString VersionText(const QString &FileName);

// The build stamp of the file, or its modification time in local time when
// it has no stamp (a zero stamp, no resource section, no image at all); an
// invalid date-time when the file does not exist. Throws Error for a stamp
// that holds no valid date or time.
QDateTime BuildDate(const QString &FileName);

// The prefix, followed by the version text and " от " and the build date as
// dd.MM.yyyy unless the version text begins with "0".
QString VersionLine(const QString &Prefix);
QString VersionLineOf(const QString &FileName, const QString &Prefix);

} // namespace lorvane
