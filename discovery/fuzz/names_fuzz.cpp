// The path and name helpers on arbitrary texts: the project name, bar lists,
// name matching and the short-date reader.

#include "discovery/pipelist.h"
#include "discovery/projectname.h"
#include "core/shortdate.h"

#include <QString>

#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const qsizetype split = text.isEmpty() ? 0 : data[0] % (text.size() + 1);
    const QStringView name = QStringView(text).left(split);
    const QStringView pattern = QStringView(text).mid(split);

    ExtractProjectName(text);
    IsPipeList(pattern);
    PipeListItem(pattern, 1 + data[1] % 8);
    NameMatches(name, pattern);

    static const DateFormat formats[] = {DateFormat::FromPattern("dd.MM.yyyy"), DateFormat::FromPattern("M/d/yy"),
                                         DateFormat::FromPattern("yyyy-MM-dd")};
    ReadShortDate(text, formats[data[1] % 3], QDate(2026, 12, 9));
    return 0;
}
