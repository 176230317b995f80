#pragma once

#include <QString>
#include <QStringList>

namespace lorvane::test {

// The text of a source file with a house header, CR LF after every line:
// the marker line on line 0, a description on line 4, the change-list
// heading on line 6, the change lines (as given) from line 8, the end line,
// the copyright line, the identification line and the comment's end, then
// `body`.
inline QString HeaderText(const QStringList &changes, const QString &copyright, const QString &body = "begin\r\nend.\r\n")
{
    QStringList lines{"{==========", "  Name.pas", "", "", "  Описание.", "", "  Изменения:", "  ----------"};
    lines += changes;
    lines += {"==========", copyright, "  CVS: $Id: x $", "==========}"};
    return lines.join("\r\n") + "\r\n" + body;
}

} // namespace lorvane::test
