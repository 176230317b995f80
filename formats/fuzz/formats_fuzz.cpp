// Builds the report of one source file whose name and bytes come from the
// input and renders it as Markdown, JSON and problem lines: all must be
// UTF-8 without a CR, the JSON must parse back to the report's texts, and
// each problem must take exactly one line.

#include "core/changereport.h"
#include "core/error.h"
#include "core/filename.h"
#include "formats/jsonreport.h"
#include "formats/markdownreport.h"
#include "formats/problemlines.h"
#include "core/unicodetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace lorvane;

namespace {

const QByteArray &folder()
{
    static QTemporaryDir dir;
    static const QByteArray path = FileNameToBytes(dir.path()) + "/";
    return path;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool plainUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes && !bytes.contains('\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    const QDate end = QDate(2000, 1, 1).addDays(data[0] * 97 + data[1]);
    const QDate start = end.addDays(-(data[2] * 31 + data[3] % 31));
    const ReportOptions options{false, bool(data[4] & 2), bool(data[4] & 4)};
    const size_t nameLength = std::min<size_t>(1 + data[5] % 16, size - 6);
    QByteArray name(reinterpret_cast<const char *>(data + 6), qsizetype(nameLength));
    name.replace('/', '_').replace('\0', '_');
    if (name == "." || name == "..")
        name = "_";
    const QByteArray path = folder() + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return 0;
    const size_t rest = size - 6 - nameLength;
    const bool written = ::write(fd, data + 6 + nameLength, rest) == ssize_t(rest);
    ::close(fd);
    if (!written) {
        ::unlink(path.constData());
        return 0;
    }

    ReportDocument document{ReportKind::Report, start, end, {FileNameFromBytes(path)}, {}};
    SilentProgress progress;
    QStringList report;
    try {
        document.kind = BuildChangeReport(document.files, start, end, options, progress, report, &document.content);
    } catch (const Error &) {
        // A file that does not decode is refused with its message.
        ::unlink(path.constData());
        return 0;
    }
    ::unlink(path.constData());

    require(plainUtf8(MarkdownReport(document)));
    const QByteArray json = JsonReport(document);
    require(plainUtf8(json));
    QJsonParseError error;
    const QJsonObject parsed = QJsonDocument::fromJson(json, &error).object();
    require(error.error == QJsonParseError::NoError);
    if (document.kind == ReportKind::Report) {
        const QJsonArray files = parsed["files"].toArray();
        require(files.size() == document.content.blocks.size());
        for (qsizetype b = 0; b < files.size(); ++b) {
            const QJsonArray entries = files[b]["entries"].toArray();
            const QList<ReportEntry> &expected = document.content.blocks[b].entries;
            require(entries.size() == expected.size());
            for (qsizetype e = 0; e < entries.size(); ++e)
                require(entries[e]["text"].toString() == WithReplacementCharacters(expected[e].text));
        }
    } else {
        require(parsed["errors"].toArray().size() == document.content.problems.size());
    }
    for (const QByteArray &lines : {GnuProblemLines(document), GithubProblemLines(document)}) {
        require(plainUtf8(lines));
        require(lines.count('\n') == document.content.problems.size());
    }
    return 0;
}
