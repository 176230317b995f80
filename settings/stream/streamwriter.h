#pragma once

#include "settings/stream/valuetype.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class QIODevice;

namespace lorvane {

// Writes the values of a property stream through a write buffer. The
// buffer size does not change the bytes produced.
class StreamWriter
{
public:
    StreamWriter(QIODevice *stream, int bufSize);
    virtual ~StreamWriter() = default;
    StreamWriter(const StreamWriter &) = delete;
    StreamWriter &operator=(const StreamWriter &) = delete;

    void WriteSignature() { Write(kSignature, kSignatureSize); }
    // The prefix of a component record; nothing when no flag is set.
    void WritePrefix(quint8 flags, qint64 childPos);
    void WriteValue(ValueType value);
    void WriteInteger(qint64 value);
    void WriteIdent(const QString &ident);
    void WriteBoolean(bool value) { WriteValue(value ? ValueType::vaTrue : ValueType::vaFalse); }
    void WriteString(const QString &text);
    // vaExtended, the tag of every float and date property.
    void WriteFloat(double value);
    // vaDouble, which only a stream converted from its text form holds.
    void WriteDouble(double value);
    void WriteDate(const QDate &date);
    void WriteSingle(float value);
    void WriteCurrency(qint64 amountTimes10000);
    void WriteVariantDate(double days);
    void WriteBinary(const QByteArray &bytes);
    void WriteListBegin() { WriteValue(ValueType::vaList); }
    void WriteListEnd() { WriteValue(ValueType::vaNull); }
    // A short string: one length byte and at most 255 bytes of UTF-8.
    void WriteStr(const QString &text);

    void FlushBuffer();

protected:
    void Write(const void *data, qsizetype size);
    void WriteByte(quint8 byte) { Write(&byte, 1); }

private:
    template <typename T> void WriteLittleEndian(T value);
    void WriteDoubleBits(double value);

    QIODevice *m_stream;
    qsizetype m_bufSize;
    QByteArray m_buffer;
};

// Days since 30 December 1899, the day count that dates are streamed as.
double DateToDays(const QDate &date);

} // namespace lorvane
