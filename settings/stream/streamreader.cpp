#include "settings/stream/streamreader.h"

#include "core/codepage.h"
#include "core/error.h"
#include "settings/stream/extended.h"

#include <QIODevice>

#include <cmath>
#include <cstring>

namespace lorvane {

namespace {

const QDate kDayZero(1899, 12, 30);
// QDate's own range, in days from the day zero, with a safe margin.
constexpr double kMaxDays = 1e11;
constexpr int kMsecsPerDay = 86400000;

} // namespace

void InvalidPropertyValue()
{
    throw Error(QStringLiteral("Invalid property value"));
}

StreamReader::StreamReader(QIODevice *stream, int bufSize)
    : m_stream(stream), m_bufSize(qMax(bufSize, 1))
{
}

void StreamReader::Fail(const char *message)
{
    m_fatal = true;
    throw Error(QString::fromLatin1(message));
}

bool StreamReader::Fill()
{
    if (m_pos < m_buffer.size())
        return true;
    m_buffer = m_stream->read(m_bufSize);
    m_pos = 0;
    return !m_buffer.isEmpty();
}

quint8 StreamReader::ReadByte()
{
    if (!Fill())
        Fail("Stream read error");
    return quint8(m_buffer[m_pos++]);
}

QByteArray StreamReader::ReadBytes(qint64 count)
{
    if (count < 0)
        Fail("Stream read error");
    // Grows with the bytes actually present, whatever the count claims.
    QByteArray out;
    while (count > 0) {
        if (!Fill())
            Fail("Stream read error");
        const qsizetype part = qsizetype(qMin<qint64>(count, m_buffer.size() - m_pos));
        out.append(m_buffer.constData() + m_pos, part);
        m_pos += part;
        count -= part;
    }
    return out;
}

bool StreamReader::ReadSignature()
{
    return ReadBytes(kSignatureSize) == kSignature;
}

StreamReader::RecordPrefix StreamReader::ReadPrefix()
{
    RecordPrefix prefix;
    if (quint8(NextValue()) >= kPrefixMark) {
        prefix.flags = ReadByte() & ~kPrefixMark;
        if (prefix.flags & kChildPos)
            prefix.childPos = ReadInteger(true);
    }
    return prefix;
}

ValueType StreamReader::ReadValue()
{
    return ValueType(ReadByte());
}

ValueType StreamReader::NextValue()
{
    if (!Fill())
        Fail("Stream read error");
    return ValueType(quint8(m_buffer[m_pos]));
}

void StreamReader::CheckValue(ValueType expected)
{
    if (ReadValue() != expected)
        InvalidPropertyValue();
}

qint64 StreamReader::ReadInteger(bool wide)
{
    switch (ReadValue()) {
    case ValueType::vaInt8:
        return ReadLittleEndian<qint8>();
    case ValueType::vaInt16:
        return ReadLittleEndian<qint16>();
    case ValueType::vaInt32:
        return ReadLittleEndian<qint32>();
    case ValueType::vaInt64:
        if (wide)
            return ReadLittleEndian<qint64>();
        break;
    default:
        break;
    }
    InvalidPropertyValue();
}

double StreamReader::ReadExtended()
{
    Extended bytes;
    const QByteArray raw = ReadBytes(qint64(bytes.size()));
    std::memcpy(bytes.data(), raw.constData(), bytes.size());
    return ExtendedToDouble(bytes);
}

double StreamReader::ReadDouble()
{
    const quint64 bits = ReadLittleEndian<quint64>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double StreamReader::ReadFloat()
{
    switch (NextValue()) {
    case ValueType::vaExtended:
        ReadValue();
        return ReadExtended();
    case ValueType::vaDouble:
        ReadValue();
        return ReadDouble();
    default:
        return double(ReadInteger(true));
    }
}

QDateTime StreamReader::DaysToDateTime(double days)
{
    if (!(std::fabs(days) < kMaxDays))
        InvalidPropertyValue();
    const double whole = std::trunc(days);
    const QDate date = kDayZero.addDays(qint64(whole));
    if (!date.isValid())
        InvalidPropertyValue();
    const int msecs = qBound(0, int(std::llround(std::fabs(days - whole) * kMsecsPerDay)), kMsecsPerDay - 1);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(msecs));
}

QDateTime StreamReader::ReadDateTime()
{
    return DaysToDateTime(ReadFloat());
}

float StreamReader::ReadSingle()
{
    CheckValue(ValueType::vaSingle);
    const quint32 bits = ReadLittleEndian<quint32>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double StreamReader::ReadCurrency()
{
    CheckValue(ValueType::vaCurrency);
    return double(ReadLittleEndian<qint64>()) / 10000.0;
}

QDateTime StreamReader::ReadVariantDate()
{
    CheckValue(ValueType::vaDate);
    return DaysToDateTime(ReadDouble());
}

QString StreamReader::ReadString()
{
    switch (ReadValue()) {
    case ValueType::vaString:
        return CodePage::System().decode(ReadBytes(ReadByte()));
    case ValueType::vaLString:
        return CodePage::System().decode(ReadBytes(ReadLittleEndian<qint32>()));
    case ValueType::vaUTF8String:
        return QString::fromUtf8(ReadBytes(ReadLittleEndian<qint32>()));
    case ValueType::vaWString: {
        const qint64 units = ReadLittleEndian<qint32>();
        const QByteArray bytes = ReadBytes(2 * units);
        QString text(qsizetype(units), Qt::Uninitialized);
        qFromLittleEndian<quint16>(bytes.constData(), units, text.data());
        return text;
    }
    default:
        InvalidPropertyValue();
    }
}

QString StreamReader::ReadIdent()
{
    switch (ReadValue()) {
    case ValueType::vaIdent:
        return ReadStr();
    case ValueType::vaFalse:
        return QStringLiteral("False");
    case ValueType::vaTrue:
        return QStringLiteral("True");
    case ValueType::vaNil:
        return QStringLiteral("nil");
    case ValueType::vaNull:
        return QStringLiteral("Null");
    default:
        InvalidPropertyValue();
    }
}

QByteArray StreamReader::ReadBinary()
{
    CheckValue(ValueType::vaBinary);
    return ReadBytes(ReadLittleEndian<qint32>());
}

QString StreamReader::ReadStr()
{
    return QString::fromUtf8(ReadBytes(ReadByte()));
}

void StreamReader::SkipValue()
{
    const DepthGuard guard(*this);
    switch (ReadValue()) {
    case ValueType::vaNull:
    case ValueType::vaFalse:
    case ValueType::vaTrue:
    case ValueType::vaNil:
        return;
    case ValueType::vaList:
        while (!EndOfList())
            SkipValue();
        ReadValue();
        return;
    case ValueType::vaInt8:
        ReadBytes(1);
        return;
    case ValueType::vaInt16:
        ReadBytes(2);
        return;
    case ValueType::vaInt32:
    case ValueType::vaSingle:
        ReadBytes(4);
        return;
    case ValueType::vaExtended:
        ReadBytes(10);
        return;
    case ValueType::vaCurrency:
    case ValueType::vaDate:
    case ValueType::vaInt64:
    case ValueType::vaDouble:
        ReadBytes(8);
        return;
    case ValueType::vaString:
    case ValueType::vaIdent:
        ReadBytes(ReadByte());
        return;
    case ValueType::vaBinary:
    case ValueType::vaLString:
    case ValueType::vaUTF8String:
        ReadBytes(ReadLittleEndian<qint32>());
        return;
    case ValueType::vaWString:
        ReadBytes(2 * qint64(ReadLittleEndian<qint32>()));
        return;
    case ValueType::vaSet:
        while (!ReadStr().isEmpty()) {
        }
        return;
    case ValueType::vaCollection:
        while (!EndOfList()) {
            if (NextValue() != ValueType::vaList)
                SkipValue();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        return;
    }
    // An unknown tag cannot be stepped over.
    Fail("Invalid stream format");
}

} // namespace lorvane
