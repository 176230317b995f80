#pragma once

#include "testsupport/testfiles.h"

#include <QDate>
#include <QDir>
#include <QRandomGenerator>
#include <QStringList>

namespace lorvane::test {

// A project of `count` files in every encoding that reading tells apart,
// with bodies of any length, names that repeat across folders or hold line
// breaks, and entries with characters that Windows-1251 lacks. Every
// header is sound unless `problems` is set; then some lack their marker,
// their first date or the right copyright years. Entries are spread around
// `end`.
inline QStringList GenerateMixedProject(QRandomGenerator &random, const QString &root, int count, QDate end,
                                        bool problems)
{
    const QStringList words{"Учёт", "café", "→ next", "中文", "<b>&amp;", "\U0001F600", "plain"};
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const auto encoding = Encoding(i % 4);
        QString name = QStringLiteral("Unit%1.pas").arg(i);
        if (i % 7 == 3)
            name = QStringLiteral("Same.pas");
        else if (i % 23 == 5)
            name = QStringLiteral("Line\nbreak%1\r.pas").arg(i);
        QStringList lines{"{==========", "  " + name, "", "", QStringLiteral("  Модуль %1 %2").arg(i).arg(words[i % 7])};
        if (i % 3 == 0)
            lines << QStringLiteral("  Вторая строка описания.");
        lines << "" << "  Изменения:" << "  ----------";
        QDate date = end.addDays(random.bounded(-40, 10));
        const QDate first = date;
        QDate oldest = date;
        const int entries = random.bounded(1, 9);
        for (int e = 0; e < entries; ++e) {
            QString text = QStringLiteral("[+] %1 %2").arg(words[random.bounded(7)]).arg(e);
            if (encoding == Encoding::Utf16LeBom && e == 1)
                text += QChar(char16_t(0xD800)); // a lone surrogate only UTF-16 can hold
            lines << QStringLiteral("  %1 %2").arg(date.toString("dd.MM.yyyy"), text);
            if (random.bounded(3) == 0)
                lines << QStringLiteral("             [*] %1 continued").arg(words[random.bounded(7)]);
            oldest = date;
            date = date.addDays(-random.bounded(0, 30));
        }
        lines << "==========";
        const int firstYear = problems && random.bounded(15) == 0 ? oldest.year() - 1 : oldest.year();
        lines << QStringLiteral("Copyright © %1…%2").arg(firstYear).arg(first.year());
        lines << "  CVS: $Id: x $" << "==========}";
        if (problems && random.bounded(30) == 0)
            lines[0] = "no header";
        if (problems && random.bounded(30) == 0)
            lines[8] = "  99.99.9999 [+] undated";
        QString text = lines.join("\r\n") + "\r\n";
        for (int b = random.bounded(0, 400); b > 0; --b)
            text += QStringLiteral("  Inc(Total, %1); // 01.02.2003 [x]\r\n").arg(b);
        const QString folder = QStringLiteral("%1/d%2/f%3").arg(root).arg(i % 5).arg(i);
        QDir().mkpath(folder);
        files << folder + u'/' + name;
        writeBytes(files.last(), encode(text, encoding));
    }
    return files;
}

} // namespace lorvane::test
