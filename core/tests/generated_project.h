#pragma once

#include "testsupport/testfiles.h"

#include <QDate>
#include <QRandomGenerator>
#include <QStringList>

namespace lorvane::test {

// A project of `count` Windows-1251 files, named `prefix` and their number,
// whose entries are spread over the years before `end`, some with header
// problems or a creation entry.
inline QStringList GenerateProject(QRandomGenerator &random, int count, QDate end, const QString &prefix)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        QStringList lines{"{==", "", "", "", QStringLiteral("  Unit %1").arg(i), "", "  Изменения:", "  ----"};
        QDate date = end.addDays(-random.bounded(2000));
        if (random.bounded(8) == 0)
            date = end.addDays(random.bounded(1, 30)); // after the end date
        const int entries = random.bounded(1, 7);
        for (int e = 0; e < entries; ++e) {
            lines << QStringLiteral("  %1 [+] change %2 of unit %3").arg(date.toString("dd.MM.yyyy")).arg(e).arg(i);
            if (random.bounded(3) == 0)
                lines << QStringLiteral("             [*] a longer continuation line that may wrap in a narrow pane");
            date = date.addDays(-random.bounded(0, 400));
        }
        if (random.bounded(6) == 0)
            lines << QStringLiteral("  %1 [+] Создание проекта.").arg(date.toString("dd.MM.yyyy"));
        lines << "=====";
        const int firstYear = random.bounded(10) == 0 ? 1999 : date.year();
        lines << QStringLiteral("Copyright © %1").arg(firstYear);
        if (random.bounded(40) == 0)
            lines = QStringList{"no header"};
        const QString path = prefix + QStringLiteral("%1.pas").arg(i);
        writeBytes(path, encode(lines.join("\r\n"), Encoding::Cp1251));
        files << path;
    }
    return files;
}

} // namespace lorvane::test
