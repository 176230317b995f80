#pragma once

#include "valuetype.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

class QIODevice;

namespace lorvane {

// Reads the values of a property stream through a read buffer. The bytes
// come from a store that anyone can edit: lengths are never trusted ahead of
// the data, and nesting is bounded.
class StreamReader
{
public:
    StreamReader(QIODevice *stream, int bufSize);
    virtual ~StreamReader() = default;
    StreamReader(const StreamReader &) = delete;
    StreamReader &operator=(const StreamReader &) = delete;

    ValueType ReadValue();
    ValueType NextValue();
    void CheckValue(ValueType expected);
    bool EndOfList() { return NextValue() == ValueType::vaNull; }
    void ReadListBegin() { CheckValue(ValueType::vaList); }
    void ReadListEnd() { CheckValue(ValueType::vaNull); }

    // Any integer tag; vaInt64 only when wide is set.
    qint64 ReadInteger(bool wide = false);
    // vaExtended, vaDouble or any integer tag.
    double ReadFloat();
    QDate ReadDate();
    QDateTime ReadDateTime();
    // vaSingle, vaCurrency (the amount) and vaDate (days) of variants.
    float ReadSingle();
    double ReadCurrency();
    QDateTime ReadVariantDate();
    // vaString and vaLString in the system code page, vaWString, vaUTF8String.
    QString ReadString();
    // The text after one of those four tags, already read.
    QString ReadStringPayload(ValueType type);
    // vaIdent, or the words that vaFalse, vaTrue, vaNil and vaNull stand for.
    QString ReadIdent();
    QByteArray ReadBinary();
    // A short string: one length byte, then that many bytes of UTF-8.
    QString ReadStr();
    void SkipValue();

    // Set once the stream has run out or proved malformed beyond recovery;
    // such an error ends the whole read.
    bool Fatal() const { return m_fatal; }

protected:
    quint8 ReadByte();
    QByteArray ReadBytes(qint64 count);
    [[noreturn]] void Fail(const char *message);

    // Bounds the nesting of lists, collections and records.
    class DepthGuard
    {
    public:
        explicit DepthGuard(StreamReader &reader);
        ~DepthGuard() { --m_reader.m_depth; }
        DepthGuard(const DepthGuard &) = delete;
        DepthGuard &operator=(const DepthGuard &) = delete;

    private:
        StreamReader &m_reader;
    };

private:
    template <typename T> T ReadLittleEndian();
    double ReadExtended();
    double ReadDouble();
    bool Fill();
    static QDateTime DaysToDateTime(double days);

    QIODevice *m_stream;
    qint64 m_bufSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    int m_depth = 0;
    bool m_fatal = false;
};

[[noreturn]] void InvalidPropertyValue();

} // namespace lorvane
