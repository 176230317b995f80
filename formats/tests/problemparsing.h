#pragma once

// Reads the lines of the gnu and github problem formats back as an editor
// or GitHub would, for the tests of what writes them.

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace lorvane::test {

struct ParsedProblem
{
    QString path;
    int line = 0;
    QString message;
    friend bool operator==(const ParsedProblem &, const ParsedProblem &) = default;
};

inline std::ostream &operator<<(std::ostream &os, const ParsedProblem &problem)
{
    return os << problem.path.toStdString() << " @" << problem.line << ": " << problem.message.toStdString();
}

// The lines of a UTF-8 text that ends each line with LF; a malformed line
// gives a problem with line 0 and the line as its message.
template<typename ParseLine>
QList<ParsedProblem> parsedLines(const QByteArray &bytes, ParseLine parseLine)
{
    QList<ParsedProblem> problems;
    if (bytes.isEmpty())
        return problems;
    QString text = QString::fromUtf8(bytes);
    if (!text.endsWith(u'\n'))
        return {{QString(), 0, QStringLiteral("no LF at the end")}};
    text.chop(1);
    for (const QString &line : text.split(u'\n'))
        problems << parseLine(line);
    return problems;
}

// "path:line: message", the path up to the first ":digits: ".
inline QList<ParsedProblem> ParseGnuLines(const QByteArray &bytes)
{
    return parsedLines(bytes, [](const QString &line) {
        static const QRegularExpression form(QStringLiteral("^(.+?):([0-9]+): (.*)$"));
        const QRegularExpressionMatch match = form.match(line);
        if (!match.hasMatch() || line.contains(u'\r'))
            return ParsedProblem{QString(), 0, line};
        return ParsedProblem{match.captured(1), match.captured(2).toInt(), match.captured(3)};
    });
}

// The value of a workflow command with every "%XX" read back as the
// character with that code.
inline QString unescapedWorkflowValue(const QString &value)
{
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        bool ok = false;
        const int code = value.mid(at + 1, 2).toInt(&ok, 16);
        if (value[at] == u'%' && ok && at + 2 < value.size()) {
            text += QChar(code);
            at += 2;
        } else {
            text += value[at];
        }
    }
    return text;
}

// "::error file=path,line=N::message", as the GitHub runner reads it: the
// properties end at "::" and are separated by ",", a value after "=".
inline QList<ParsedProblem> ParseGithubLines(const QByteArray &bytes)
{
    return parsedLines(bytes, [](const QString &line) {
        static const QRegularExpression form(QStringLiteral("^::error file=([^,:]*),line=([0-9]+)::(.*)$"));
        const QRegularExpressionMatch match = form.match(line);
        if (!match.hasMatch() || line.contains(u'\r'))
            return ParsedProblem{QString(), 0, line};
        return ParsedProblem{unescapedWorkflowValue(match.captured(1)), match.captured(2).toInt(),
                             unescapedWorkflowValue(match.captured(3))};
    });
}

} // namespace lorvane::test
