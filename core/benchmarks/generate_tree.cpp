// Writes the project tree that scripts/bench-e2e.sh measures: 10,000 ".pas"
// files of about 26 KB in 50 folders of 20 subfolders, each with a header
// of about 40 dated change lines, half in Windows-1251 and half in UTF-8
// with a byte-order mark. Nearly every entry lies in 2026; only every
// thousandth file has changes on 30.11.2026 or 01.12.2026.

#include "core/codepage.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

using namespace lorvane;

namespace {

constexpr int kFiles = 10000;
constexpr int kChangeLines = 40;
constexpr int kDayStep = 9;
constexpr int kBodyBytes = 23 * 1024;

QString headerText(int index)
{
    QDate date = index % 1000 == 0 ? QDate(2026, 12, 1) : QDate(2026, 11, 29).addDays(-(index % 10));
    const QDate first = date;
    QStringList lines{"{==============================================================================",
                      QStringLiteral("  Unit%1.pas").arg(index), "  Складской учёт", "  (свободный текст)",
                      QStringLiteral("  Модуль номер %1 складского учёта.").arg(index), "", "  Изменения:",
                      "  ----------"};
    QDate oldest = date;
    for (int i = 0; i < kChangeLines; ++i) {
        lines << QStringLiteral("  %1 [%2] Изменение номер %3 в модуле, запись о работе.")
                     .arg(date.toString("dd.MM.yyyy"), i % 3 ? "*" : "+")
                     .arg(i);
        oldest = date;
        date = date.addDays(-kDayStep);
    }
    lines << "===============================================================================";
    lines << QStringLiteral("Copyright © %1…%2").arg(oldest.year()).arg(first.year());
    lines << QStringLiteral("  CVS: $Id: Unit%1.pas,v 1.1 $").arg(index);
    lines << "==============================================================================}";
    return lines.join("\r\n") + "\r\n";
}

QByteArray body()
{
    QByteArray text;
    int n = 0;
    while (text.size() < kBodyBytes)
        text += "procedure Step" + QByteArray::number(n++)
                + "(Value: Integer);\r\nbegin\r\n  Inc(Total, Value); // 12.05.2026\r\nend;\r\n\r\n";
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_tree FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const CodePage cp1251(QStringLiteral("CP1251"));
    const QByteArray tail = body();
    for (int i = 0; i < kFiles; ++i) {
        const QString folder = QStringLiteral("%1/d%2/s%3").arg(root).arg(i / 200).arg(i / 10 % 20);
        if (!QDir().mkpath(folder))
            return 1;
        const QString header = headerText(i);
        const QByteArray bytes = i % 2 ? "\xEF\xBB\xBF" + header.toUtf8() + tail : cp1251.encode(header) + tail;
        QFile file(QStringLiteral("%1/Unit%2.pas").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
