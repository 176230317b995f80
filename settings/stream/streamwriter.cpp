#include "settings/stream/streamwriter.h"

#include "core/error.h"
#include "settings/stream/extended.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace lorvane {

namespace {

const QDate kDayZero(1899, 12, 30);

} // namespace

double DateToDays(const QDate &date)
{
    return double(kDayZero.daysTo(date));
}

StreamWriter::StreamWriter(QIODevice *stream, int bufSize)
    : m_stream(stream), m_bufSize(qMax(bufSize, 1))
{
    m_buffer.reserve(m_bufSize);
}

void StreamWriter::Write(const void *data, qsizetype size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const qsizetype room = m_bufSize - m_buffer.size();
        const qsizetype part = qMin(room, size);
        m_buffer.append(bytes, part);
        bytes += part;
        size -= part;
        if (m_buffer.size() >= m_bufSize)
            FlushBuffer();
    }
}

void StreamWriter::FlushBuffer()
{
    if (m_buffer.isEmpty())
        return;
    if (m_stream->write(m_buffer) != m_buffer.size())
        throw Error(QStringLiteral("Stream write error"));
    m_buffer.clear();
}

template <typename T> void StreamWriter::WriteLittleEndian(T value)
{
    const T little = qToLittleEndian(value);
    Write(&little, sizeof little);
}

void StreamWriter::WritePrefix(quint8 flags, qint64 childPos)
{
    if (!flags)
        return;
    WriteByte(kPrefixMark | flags);
    if (flags & kChildPos)
        WriteInteger(childPos);
}

void StreamWriter::WriteValue(ValueType value)
{
    WriteByte(quint8(value));
}

void StreamWriter::WriteInteger(qint64 value)
{
    if (value >= std::numeric_limits<qint8>::min() && value <= std::numeric_limits<qint8>::max()) {
        WriteValue(ValueType::vaInt8);
        WriteLittleEndian(qint8(value));
    } else if (value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max()) {
        WriteValue(ValueType::vaInt16);
        WriteLittleEndian(qint16(value));
    } else if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
        WriteValue(ValueType::vaInt32);
        WriteLittleEndian(qint32(value));
    } else {
        WriteValue(ValueType::vaInt64);
        WriteLittleEndian(qint64(value));
    }
}

void StreamWriter::WriteIdent(const QString &ident)
{
    if (ident.compare(u"False", Qt::CaseInsensitive) == 0)
        WriteValue(ValueType::vaFalse);
    else if (ident.compare(u"True", Qt::CaseInsensitive) == 0)
        WriteValue(ValueType::vaTrue);
    else if (ident.compare(u"Null", Qt::CaseInsensitive) == 0)
        WriteValue(ValueType::vaNull);
    else if (ident.compare(u"nil", Qt::CaseInsensitive) == 0)
        WriteValue(ValueType::vaNil);
    else {
        WriteValue(ValueType::vaIdent);
        WriteStr(ident);
    }
}

void StreamWriter::WriteString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() >= 2 * text.size()) {
        WriteValue(ValueType::vaWString);
        WriteLittleEndian(qint32(text.size()));
        for (QChar c : text)
            WriteLittleEndian(quint16(c.unicode()));
        return;
    }
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return quint8(c) < 0x80; });
    if (!ascii) {
        WriteValue(ValueType::vaUTF8String);
        WriteLittleEndian(qint32(utf8.size()));
    } else if (utf8.size() <= 255) {
        WriteValue(ValueType::vaString);
        WriteByte(quint8(utf8.size()));
    } else {
        WriteValue(ValueType::vaLString);
        WriteLittleEndian(qint32(utf8.size()));
    }
    Write(utf8.constData(), utf8.size());
}

void StreamWriter::WriteFloat(double value)
{
    WriteValue(ValueType::vaExtended);
    const Extended bytes = DoubleToExtended(value);
    Write(bytes.data(), qsizetype(bytes.size()));
}

void StreamWriter::WriteDate(const QDate &date)
{
    WriteFloat(DateToDays(date));
}

void StreamWriter::WriteSingle(float value)
{
    WriteValue(ValueType::vaSingle);
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLittleEndian(bits);
}

void StreamWriter::WriteCurrency(qint64 amountTimes10000)
{
    WriteValue(ValueType::vaCurrency);
    WriteLittleEndian(amountTimes10000);
}

void StreamWriter::WriteDoubleBits(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLittleEndian(bits);
}

void StreamWriter::WriteDouble(double value)
{
    WriteValue(ValueType::vaDouble);
    WriteDoubleBits(value);
}

void StreamWriter::WriteVariantDate(double days)
{
    WriteValue(ValueType::vaDate);
    WriteDoubleBits(days);
}

void StreamWriter::WriteBinary(const QByteArray &bytes)
{
    WriteValue(ValueType::vaBinary);
    WriteLittleEndian(qint32(bytes.size()));
    Write(bytes.constData(), bytes.size());
}

void StreamWriter::WriteStr(const QString &text)
{
    const QByteArray utf8 = text.toUtf8().left(255);
    WriteByte(quint8(utf8.size()));
    Write(utf8.constData(), utf8.size());
}

} // namespace lorvane
