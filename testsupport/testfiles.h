#pragma once

#include "core/codepage.h"
#include "core/textfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <stdexcept>

namespace lorvane::test {

enum class Encoding { Cp1251, Utf8Bom, Utf16LeBom, Utf16BeBom };

inline QByteArray encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Cp1251:
        return CodePage(QStringLiteral("CP1251")).encode(text);
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case Encoding::Utf16LeBom:
    case Encoding::Utf16BeBom: {
        const bool big = encoding == Encoding::Utf16BeBom;
        return (big ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE")) + EncodeUtf16(text, big);
    }
    }
    return {};
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace lorvane::test
