#include "settings/stream/textform.h"

#include "core/codepage.h"
#include "core/error.h"
#include "settings/stream/streamreader.h"
#include "settings/stream/streamwriter.h"

#include <QBuffer>

#include <cmath>
#include <limits>

namespace lorvane {

namespace {

[[noreturn]] void BadFormat()
{
    throw Error(QStringLiteral("Invalid stream format."));
}

bool IsIdentStart(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsIdentChar(QChar c)
{
    return IsIdentStart(c) || (c >= u'0' && c <= u'9') || c == u'.';
}

bool IsIdentifier(const QString &text)
{
    return !text.isEmpty() && IsIdentStart(text[0]) && std::all_of(text.begin(), text.end(), IsIdentChar);
}

QString Quoted(const QString &text)
{
    QString out;
    bool open = false;
    for (QChar c : text) {
        const bool plain = c.unicode() >= 0x20 && c.unicode() < 0x7F;
        if (plain != open) {
            out += u'\'';
            open = plain;
        }
        if (!plain)
            out += u'#' + QString::number(c.unicode());
        else if (c == u'\'')
            out += QStringLiteral("''");
        else
            out += c;
    }
    if (open || out.isEmpty())
        out += out.isEmpty() ? QStringLiteral("''") : QStringLiteral("'");
    return out;
}

QString Name(const QString &name)
{
    return IsIdentifier(name) ? name : Quoted(name);
}

QString FloatText(double value, int digits, const char *suffix)
{
    QString text;
    if (std::isnan(value))
        text = QStringLiteral("+nan");
    else if (std::isinf(value))
        text = value > 0 ? QStringLiteral("+inf") : QStringLiteral("-inf");
    else {
        text = QString::number(value, 'g', digits);
        if (!text.contains(u'.') && !text.contains(u'e'))
            text += QStringLiteral(".0");
    }
    return text + QLatin1StringView(suffix);
}

// Reads the byte form and writes the text form.
class TextWriter : public StreamReader
{
public:
    explicit TextWriter(QIODevice *stream) : StreamReader(stream, 1024) {}

    QString Convert()
    {
        if (!ReadSignature())
            BadFormat();
        Record(0);
        return m_text;
    }

private:
    void Line(int level, const QString &text) { m_text += QString(2 * level, u' ') + text + QStringLiteral("\r\n"); }

    void Record(int level)
    {
        const DepthGuard depth(*this);
        const RecordPrefix prefix = ReadPrefix();
        const QString keyword = prefix.flags & kInherited ? QStringLiteral("inherited")
                                : prefix.flags & kInline  ? QStringLiteral("inline")
                                                          : QStringLiteral("object");
        const QString index = prefix.flags & kChildPos ? QStringLiteral(" [%1]").arg(prefix.childPos) : QString();
        const QString className = ReadStr();
        const QString name = ReadStr();
        Line(level, keyword + u' ' + Name(name) + QStringLiteral(": ") + Name(className) + index);
        while (!EndOfList()) {
            const QString propName = ReadStr();
            Line(level + 1, Name(propName) + QStringLiteral(" = ") + Value(level + 1));
        }
        ReadListEnd();
        while (!EndOfList())
            Record(level + 1);
        ReadListEnd();
        Line(level, QStringLiteral("end"));
    }

    QString Value(int level)
    {
        const DepthGuard depth(*this);
        switch (NextValue()) {
        case ValueType::vaString:
        case ValueType::vaLString:
        case ValueType::vaUTF8String:
        case ValueType::vaWString:
            return Quoted(ReadString());
        case ValueType::vaList: {
            ReadListBegin();
            QStringList items;
            while (!EndOfList())
                items << Value(level);
            ReadListEnd();
            return u'(' + items.join(u' ') + u')';
        }
        case ValueType::vaInt8:
        case ValueType::vaInt16:
        case ValueType::vaInt32:
        case ValueType::vaInt64:
            return QString::number(ReadInteger(true));
        case ValueType::vaExtended:
            return FloatText(ReadFloat(), 17, "");
        case ValueType::vaDouble:
            return FloatText(ReadFloat(), 17, "r");
        case ValueType::vaSingle:
            return FloatText(ReadSingle(), 9, "s");
        case ValueType::vaCurrency:
            ReadValue();
            return QString::number(ReadLittleEndian<qint64>()) + u'c';
        case ValueType::vaDate:
            ReadValue();
            return FloatText(ReadDouble(), 17, "d");
        case ValueType::vaNull:
        case ValueType::vaIdent:
        case ValueType::vaFalse:
        case ValueType::vaTrue:
        case ValueType::vaNil: {
            const QString ident = ReadIdent();
            if (!IsIdentifier(ident))
                BadFormat();
            return ident;
        }
        case ValueType::vaBinary:
            return u'{' + QString::fromLatin1(ReadBinary().toHex().toUpper()) + u'}';
        case ValueType::vaSet: {
            ReadValue();
            QStringList members;
            for (QString member = ReadStr(); !member.isEmpty(); member = ReadStr())
                members << Name(member);
            return u'[' + members.join(QStringLiteral(", ")) + u']';
        }
        case ValueType::vaCollection:
            ReadValue();
            return Collection(level);
        }
        BadFormat();
    }

    QString Collection(int level)
    {
        QString text = QStringLiteral("<");
        while (!EndOfList()) {
            QString header = QStringLiteral("item");
            if (NextValue() != ValueType::vaList)
                header += QStringLiteral(" [%1]").arg(ReadInteger(true));
            ReadListBegin();
            text += QStringLiteral("\r\n") + QString(2 * (level + 1), u' ') + header + QStringLiteral("\r\n");
            while (!EndOfList()) {
                const QString propName = ReadStr();
                text += QString(2 * (level + 2), u' ') + Name(propName) + QStringLiteral(" = ")
                        + Value(level + 2) + QStringLiteral("\r\n");
            }
            ReadListEnd();
            text += QString(2 * (level + 1), u' ') + QStringLiteral("end");
        }
        ReadListEnd();
        return text + u'>';
    }

    QString m_text;
};


// Parses the text form and writes the byte form.
class TextReader : public StreamWriter
{
public:
    TextReader(const QString &text, QIODevice *stream) : StreamWriter(stream, 1024), m_text(text) {}

    void Convert()
    {
        WriteSignature();
        Record();
        SkipBlanks();
        if (m_pos != m_text.size())
            BadFormat();
        FlushBuffer();
    }

private:
    class DepthGuard : public NestingGuard
    {
    public:
        explicit DepthGuard(int &depth) : NestingGuard(depth, BadFormat) {}
    };

    void SkipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos].isSpace() || m_text[m_pos] == u'\v'))
            ++m_pos;
    }

    QChar Peek()
    {
        SkipBlanks();
        return m_pos < m_text.size() ? m_text[m_pos] : QChar();
    }

    void Expect(QChar c)
    {
        if (Peek() != c)
            BadFormat();
        ++m_pos;
    }

    bool Take(QChar c)
    {
        if (Peek() != c)
            return false;
        ++m_pos;
        return true;
    }

    QString Identifier()
    {
        if (!IsIdentStart(Peek()))
            BadFormat();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && IsIdentChar(m_text[m_pos]))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    QString Word()
    {
        const qsizetype start = m_pos;
        if (IsIdentStart(Peek()))
            return Identifier().toLower();
        m_pos = start;
        return {};
    }

    // An identifier, or a quoted text for a name that is none.
    QString NameToken() { return Peek() == u'\'' || Peek() == u'#' ? Text() : Identifier(); }

    QString Text()
    {
        QString out;
        bool any = false;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == u'\'') {
                for (++m_pos;; ++m_pos) {
                    if (m_pos >= m_text.size() || m_text[m_pos] == u'\r' || m_text[m_pos] == u'\n')
                        BadFormat();
                    if (m_text[m_pos] == u'\'') {
                        if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\'') {
                            out += u'\'';
                            ++m_pos;
                            continue;
                        }
                        ++m_pos;
                        break;
                    }
                    out += m_text[m_pos];
                }
            } else if (m_text[m_pos] == u'#') {
                const qsizetype start = ++m_pos;
                while (m_pos < m_text.size() && m_text[m_pos].isDigit() && m_pos - start < 6)
                    ++m_pos;
                bool ok = false;
                const uint code = m_text.mid(start, m_pos - start).toUInt(&ok);
                if (!ok || code > 0xFFFF)
                    BadFormat();
                out += QChar(char16_t(code));
            } else {
                break;
            }
            any = true;
        }
        if (!any)
            BadFormat();
        return out;
    }

    void Record()
    {
        const DepthGuard depth(m_depth);
        const QString keyword = Word();
        quint8 flags = 0;
        if (keyword == u"inherited")
            flags |= kInherited;
        else if (keyword == u"inline")
            flags |= kInline;
        else if (keyword != u"object")
            BadFormat();
        QString name = NameToken();
        QString className;
        if (Take(u':'))
            className = NameToken();
        else
            std::swap(name, className);
        qint64 index = 0;
        if (Take(u'[')) {
            flags |= kChildPos;
            index = IntegerOf(NumberToken());
            Expect(u']');
        }
        WritePrefix(flags, index);
        WriteStr(className);
        WriteStr(name);
        for (;;) {
            const qsizetype start = m_pos;
            const QString word = Word();
            if (word == u"end" || word == u"object" || word == u"inherited" || word == u"inline") {
                m_pos = start;
                break;
            }
            m_pos = start;
            Property();
        }
        WriteValue(ValueType::vaNull);
        for (;;) {
            const qsizetype start = m_pos;
            const QString word = Word();
            m_pos = start;
            if (word == u"end")
                break;
            Record();
        }
        Word();
        WriteValue(ValueType::vaNull);
    }

    void Property()
    {
        WriteStr(NameToken());
        Expect(u'=');
        Value();
    }

    QString NumberToken()
    {
        SkipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()
               && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'.' || m_text[m_pos] == u'+'
                   || m_text[m_pos] == u'-'))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    void Value()
    {
        const DepthGuard depth(m_depth);
        const QChar c = Peek();
        if (c == u'\'' || c == u'#')
            WriteString(Text());
        else if (IsIdentStart(c))
            WriteIdent(Identifier());
        else if (c == u'(') {
            ++m_pos;
            WriteListBegin();
            while (!Take(u')'))
                Value();
            WriteListEnd();
        } else if (c == u'[') {
            ++m_pos;
            WriteValue(ValueType::vaSet);
            if (!Take(u']')) {
                do {
                    const QString member = NameToken();
                    if (member.isEmpty())
                        BadFormat();
                    WriteStr(member);
                } while (Take(u','));
                Expect(u']');
            }
            WriteStr(QString());
        } else if (c == u'{') {
            Binary();
        } else if (c == u'<') {
            Collection();
        } else if (c.isDigit() || c == u'-' || c == u'+' || c == u'.') {
            Number(NumberToken());
        } else {
            BadFormat();
        }
    }

    void Binary()
    {
        const qsizetype start = ++m_pos;
        const qsizetype end = m_text.indexOf(u'}', start);
        if (end < 0)
            BadFormat();
        QByteArray digits;
        for (QChar c : QStringView(m_text).mid(start, end - start)) {
            if (c.isSpace())
                continue;
            if (!std::isxdigit(c.unicode() < 0x80 ? c.unicode() : 0))
                BadFormat();
            digits += char(c.unicode());
        }
        if (digits.size() % 2)
            BadFormat();
        m_pos = end + 1;
        WriteBinary(QByteArray::fromHex(digits));
    }

    void Collection()
    {
        ++m_pos;
        WriteValue(ValueType::vaCollection);
        while (!Take(u'>')) {
            if (Word() != u"item")
                BadFormat();
            if (Take(u'[')) {
                WriteInteger(IntegerOf(NumberToken()));
                Expect(u']');
            }
            WriteListBegin();
            for (;;) {
                const qsizetype start = m_pos;
                if (Word() == u"end")
                    break;
                m_pos = start;
                Property();
            }
            WriteListEnd();
        }
        WriteListEnd();
    }

    void Number(QString token)
    {
        QChar suffix;
        if (!token.isEmpty() && QStringView(u"scdr").contains(token.back())) {
            suffix = token.back();
            token.chop(1);
        }
        if (suffix == u'c') {
            WriteCurrency(IntegerOf(token));
            return;
        }
        const bool isFloat = !suffix.isNull() || token.contains(u'.') || token.contains(u'e')
                             || token.contains(u'E') || token.endsWith(u"inf") || token.endsWith(u"nan");
        if (!isFloat) {
            WriteInteger(IntegerOf(token));
            return;
        }
        const double value = FloatOf(token);
        if (suffix == u's')
            WriteSingle(float(value));
        else if (suffix == u'd')
            WriteVariantDate(value);
        else if (suffix == u'r')
            WriteDouble(value);
        else
            WriteFloat(value);
    }

    static qint64 IntegerOf(const QString &token)
    {
        bool ok = false;
        const qint64 value = token.toLongLong(&ok);
        if (!ok)
            BadFormat();
        return value;
    }

    static double FloatOf(const QString &token)
    {
        if (token == u"+inf")
            return std::numeric_limits<double>::infinity();
        if (token == u"-inf")
            return -std::numeric_limits<double>::infinity();
        if (token == u"+nan" || token == u"-nan")
            return std::numeric_limits<double>::quiet_NaN();
        bool ok = false;
        const double value = token.toDouble(&ok);
        if (!ok)
            BadFormat();
        return value;
    }

    const QString m_text;
    qsizetype m_pos = 0;
    int m_depth = 0;
};

} // namespace

QString PropertyStreamToText(const QByteArray &stream)
{
    QBuffer buffer;
    buffer.setData(stream);
    buffer.open(QIODevice::ReadOnly);
    return TextWriter(&buffer).Convert();
}

QByteArray PropertyTextToStream(const QByteArray &text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TextReader(CodePage::System().decode(text), &buffer).Convert();
    return bytes;
}

bool StartsTextForm(char firstByte)
{
    switch (firstByte) {
    case '\t':
    case '\v':
    case '\r':
    case ' ':
    case 'I':
    case 'O':
    case 'i':
    case 'o':
        return true;
    default:
        return false;
    }
}

} // namespace lorvane
