#include "formats/problemlines.h"

#include "core/unicodetext.h"

#include <QString>

#include <functional>

namespace lorvane {

namespace {

using LineOfProblem = std::function<QString(const QString &path, qsizetype line, const QString &message)>;

QByteArray problemLines(const ReportDocument &document, const LineOfProblem &lineOf)
{
    QString text;
    for (const HeaderProblem &problem : document.content.problems) {
        text += lineOf(WithReplacementCharacters(document.files.value(problem.file)), problem.line + 1,
                       WithReplacementCharacters(problem.message));
        text += u'\n';
    }
    return text.toUtf8();
}

// Each line break (CR LF, CR or LF) as one blank.
QString onOneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
}

QString escapedData(QString text)
{
    return text.replace(u'%', QStringLiteral("%25"))
        .replace(u'\r', QStringLiteral("%0D"))
        .replace(u'\n', QStringLiteral("%0A"));
}

QString escapedProperty(const QString &text)
{
    return escapedData(text).replace(u':', QStringLiteral("%3A")).replace(u',', QStringLiteral("%2C"));
}

} // namespace

QByteArray GnuProblemLines(const ReportDocument &document)
{
    return problemLines(document, [](const QString &path, qsizetype line, const QString &message) {
        return onOneLine(path) + u':' + QString::number(line) + QStringLiteral(": ") + onOneLine(message);
    });
}

QByteArray GithubProblemLines(const ReportDocument &document)
{
    return problemLines(document, [](const QString &path, qsizetype line, const QString &message) {
        return QStringLiteral("::error file=") + escapedProperty(path) + QStringLiteral(",line=") + QString::number(line)
               + QStringLiteral("::") + escapedData(message);
    });
}

} // namespace lorvane
