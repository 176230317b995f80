// Reads arbitrary bytes as a source file and builds the change report from
// them, with dates and options taken from the input's first bytes.

#include "core/changereport.h"
#include "core/error.h"
#include "core/linelimit.h"
#include "core/lines.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace lorvane;

namespace {

QString sourcePath()
{
    static QTemporaryDir dir;
    return dir.filePath("Fuzz.pas");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const QDate end = QDate(2000, 1, 1).addDays(data[0] * 97 + data[1]);
    const QDate start = end.addDays(-(data[2] * 31 + data[3] % 31));
    const ReportOptions options{bool(data[4] & 1), bool(data[4] & 2), bool(data[4] & 4)};
    {
        QFile file(sourcePath());
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data + 5), qint64(size - 5));
    }
    SilentProgress progress;
    QStringList report;
    try {
        BuildChangeReport({sourcePath(), sourcePath()}, start, end, options, progress, report);
        RepeatedChangeReport repeated({sourcePath()}, end, options, progress,
                                      {[](QStringView paragraph) { return int(paragraph.size() / 40) + 1; },
                                       [](QStringView paragraph) { return paragraph.contains(u"Создание"); }});
        repeated.MoveStart(start);
        repeated.MoveStart(start.addDays(-1 - data[3] % 64));
        repeated.Report(report);
        NormalizeLineBreaks(JoinLines(report));
    } catch (const Error &) {
        // A file that does not decode is refused with its message.
    }
    return 0;
}
