#pragma once

#include "settings/stream/valuetype.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtEndian>

class QIODevice;

namespace lorvane {

// How deep lists, collections and records may nest, in the byte form of a
// stream and in its text form alike.
inline constexpr int kMaxNesting = 64;

// Holds one level of nesting while it lives; past kMaxNesting it calls
// fail, which throws.
class NestingGuard
{
public:
    template <typename Fail> NestingGuard(int &depth, Fail fail) : m_depth(depth)
    {
        if (m_depth >= kMaxNesting)
            fail();
        ++m_depth;
    }
    ~NestingGuard() { --m_depth; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;

private:
    int &m_depth;
};

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

    // Reads as many bytes as the signature has; whether they are it.
    bool ReadSignature();
    // The optional prefix of a component record: its flags (0 without a
    // prefix) and, with kChildPos, the child position.
    struct RecordPrefix
    {
        quint8 flags = 0;
        qint64 childPos = 0;
    };
    RecordPrefix ReadPrefix();

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
    QDateTime ReadDateTime();
    // vaSingle, vaCurrency (the amount) and vaDate (days) of variants.
    float ReadSingle();
    double ReadCurrency();
    QDateTime ReadVariantDate();
    // vaString and vaLString in the system code page, vaWString, vaUTF8String.
    QString ReadString();
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

    template <typename T> T ReadLittleEndian()
    {
        const QByteArray bytes = ReadBytes(sizeof(T));
        return qFromLittleEndian<T>(bytes.constData());
    }
    // The eight bytes of a vaDate or vaDouble value, after its tag.
    double ReadDouble();

    // Bounds the nesting of lists, collections and records.
    class DepthGuard : public NestingGuard
    {
    public:
        explicit DepthGuard(StreamReader &reader)
            : NestingGuard(reader.m_depth, [&reader] { reader.Fail("Invalid stream format"); })
        {
        }
    };

private:
    double ReadExtended();
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
