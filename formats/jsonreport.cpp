#include "formats/jsonreport.h"

#include "core/filename.h"
#include "core/unicodetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace lorvane {

namespace {

QJsonValue jsonText(const QString &text)
{
    return WithReplacementCharacters(text);
}

QJsonValue isoDate(QDate date)
{
    return date.toString(Qt::ISODate);
}

// "path" and "name", and the exact bytes of a path that is not UTF-8.
QJsonObject fileObject(const QString &path, const QString &name)
{
    QJsonObject file{{"path", jsonText(path)}, {"name", jsonText(name)}};
    if (!IsWellFormedUtf16(path))
        file.insert("pathBytes", QString::fromLatin1(FileNameToBytes(path).toBase64()));
    return file;
}

QJsonArray reportFiles(const ReportDocument &document)
{
    QJsonArray files;
    for (const ReportBlock &block : document.content.blocks) {
        QJsonObject file = fileObject(document.files.value(block.file), block.name);
        QJsonArray description;
        for (const QString &line : block.description)
            description.append(jsonText(line));
        file.insert("description", description);
        QJsonArray entries;
        for (const ReportEntry &entry : block.entries)
            entries.append(QJsonObject{{"date", entry.date ? isoDate(*entry.date) : QJsonValue()},
                                       {"text", jsonText(entry.text)}});
        file.insert("entries", entries);
        files.append(file);
    }
    return files;
}

QJsonArray errorList(const ReportDocument &document)
{
    QJsonArray errors;
    for (const HeaderProblem &problem : document.content.problems) {
        QJsonObject error = fileObject(document.files.value(problem.file), problem.name);
        error.insert("line", problem.line + 1);
        error.insert("message", jsonText(problem.message));
        errors.append(error);
    }
    return errors;
}

} // namespace

QByteArray JsonReport(const ReportDocument &document, const QJsonObject &extra)
{
    QJsonObject report = extra;
    report.insert("from", isoDate(document.start));
    report.insert("to", isoDate(document.end));
    if (document.kind == ReportKind::ErrorList) {
        report.insert("kind", "errors");
        report.insert("errors", errorList(document));
    } else {
        report.insert("kind", "report");
        report.insert("files", reportFiles(document));
    }
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

} // namespace lorvane
