#pragma once

// Generated projects on which the line limit is measured, by the core's
// benchmark and by the window's.

#include "core/codepage.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdlib>

namespace lorvane::bench {

// Writes Unit<i>.pas in Windows-1251 with the entries as its change list,
// 100 files to a folder.
inline QString WriteUnit(const QString &root, int i, const QStringList &entries, int firstYear)
{
    static const CodePage cp1251(QStringLiteral("CP1251"));
    static const QByteArray body(20 * 1024, 'x');
    QStringList lines{"{==========", QStringLiteral("  Unit%1.pas").arg(i), "", "",
                      QStringLiteral("  Модуль %1.").arg(i), "", "  Изменения:", "  ----------"};
    lines << entries << "==========" << QStringLiteral("Copyright © %1").arg(firstYear) << "  CVS: $Id: x $"
          << "==========}";
    const QString folder = QStringLiteral("%1/p%2").arg(root).arg(i / 100);
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/Unit%2.pas").arg(folder).arg(i);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    file.write(cp1251.encode(lines.join("\r\n") + "\r\n") + body);
    return path;
}

// 2,000 files whose newest entries lie three years before `end`, each with
// 40 entries a month apart and 20 KB of code after its header.
inline QStringList GenerateOldChanges(const QString &root, QDate end, int files = 2000)
{
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        QStringList entries;
        QDate date = end.addYears(-3).addDays(-(i * 7) % 900);
        for (int e = 0; e < 40; ++e) {
            entries << QStringLiteral("  %1 [*] Изменение %2.").arg(date.toString("dd.MM.yyyy")).arg(e);
            date = date.addDays(-30);
        }
        paths << WriteUnit(root, i, entries, date.addDays(30).year());
    }
    return paths;
}

// The line limit's worst case: 2,000 files with an entry every four months
// or so, and one file created 843 days before `end`. With only the changed
// files and a limit of 20,000, no window reaches the limit before the start
// has gone back to that creation entry, one day at a time.
inline constexpr int kDaysToCreation = 843;

inline QStringList GenerateCreationFirst(const QString &root, QDate end, int files = 2000)
{
    const QDate created = end.addDays(-kDaysToCreation);
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        QStringList entries;
        QDate date = end.addDays(-1 - (i * 7) % 100);
        QDate oldest = date;
        const bool creation = i == files / 2;
        for (int e = 0; e < 40 && !(creation && date < created); ++e) {
            entries << QStringLiteral("  %1 [*] Изменение %2 модуля %3.").arg(date.toString("dd.MM.yyyy")).arg(e).arg(i);
            oldest = date;
            date = date.addDays(-(100 + (i + e) % 41));
        }
        if (creation) {
            entries << QStringLiteral("  %1 [+] Создание проекта.").arg(created.toString("dd.MM.yyyy"));
            oldest = created;
        }
        paths << WriteUnit(root, i, entries, oldest.year());
    }
    return paths;
}

} // namespace lorvane::bench
