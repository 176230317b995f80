#include "settings/stream/extended.h"
#include "settings/stream/streamreader.h"
#include "settings/stream/streamwriter.h"

#include "testsupport/testing.h"

#include <QBuffer>

#include <functional>

using namespace lorvane;

namespace {

QByteArray Written(const std::function<void(StreamWriter &)> &write, int bufSize = 1024)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    StreamWriter writer(&buffer, bufSize);
    write(writer);
    writer.FlushBuffer();
    return bytes;
}

struct StringCase
{
    const char *name;
    QString text;
    QByteArray expected;
};

class StringRule : public testing::TestWithParam<StringCase>
{
};

TEST_P(StringRule, WritesTheNarrowestFaithfulForm)
{
    EXPECT_EQ(Written([](StreamWriter &w) { w.WriteString(GetParam().text); }).toHex(' '),
              GetParam().expected.toHex(' '));
}

QByteArray Ascii(char tag, QByteArray length, int count)
{
    return QByteArray(1, tag) + length + QByteArray(count, 'a');
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringRule,
    testing::Values(
        StringCase{"Empty", QString(), QByteArray::fromHex("1200000000")},
        StringCase{"Abc", QStringLiteral("abc"), QByteArray::fromHex("0603616263")},
        StringCase{"Ascii255", QString(255, u'a'), Ascii(0x06, QByteArray::fromHex("ff"), 255)},
        StringCase{"Ascii300", QString(300, u'a'), Ascii(0x0C, QByteArray::fromHex("2c010000"), 300)},
        StringCase{"Cyrillic", QStringLiteral("Дата"), QByteArray::fromHex("12040000001404300442043004")},
        StringCase{"Mixed", QStringLiteral("C:\\Проект\\"),
                   QByteArray::fromHex("1410000000") + QStringLiteral("C:\\Проект\\").toUtf8()}),
    [](const auto &info) { return info.param.name; });

struct IntegerCase
{
    qint64 value;
    const char *hex;
};

class IntegerRule : public testing::TestWithParam<IntegerCase>
{
};

TEST_P(IntegerRule, PicksTheSmallestTagAndReadsBack)
{
    const QByteArray bytes = Written([](StreamWriter &w) { w.WriteInteger(GetParam().value); });
    EXPECT_EQ(bytes.toHex(), QByteArray(GetParam().hex));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    StreamReader reader(&buffer, 3);
    EXPECT_EQ(reader.ReadInteger(true), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, IntegerRule,
                         testing::Values(IntegerCase{-128, "0280"}, IntegerCase{127, "027f"},
                                         IntegerCase{232, "03e800"}, IntegerCase{-32769, "04ff7fffff"},
                                         IntegerCase{2147483648LL, "130000008000000000"}));

TEST(FloatRule, FirstOfJanuary2020IsDay43831AsExtended)
{
    EXPECT_EQ(Written([](StreamWriter &w) { w.WriteDate(QDate(2020, 1, 1)); }).toHex(' '),
              QByteArray("05 00 00 00 00 00 00 37 ab 0e 40"));
}

TEST(FloatRule, ExtendedBitsRoundTripThroughDouble)
{
    for (double value : {0.0, -0.0, 1.0, -2.5, 0.1, 1e-310, 1.7976931348623157e308, 43831.75}) {
        const Extended bytes = DoubleToExtended(value);
        EXPECT_EQ(ExtendedToDouble(bytes), value) << value;
        EXPECT_EQ(std::signbit(ExtendedToDouble(bytes)), std::signbit(value));
    }
    EXPECT_TRUE(std::isinf(ExtendedToDouble(DoubleToExtended(-HUGE_VAL))));
    EXPECT_TRUE(std::isnan(ExtendedToDouble(DoubleToExtended(NAN))));
    // 1.0 as extended: integer bit set, biased exponent 3FFF.
    EXPECT_EQ(DoubleToExtended(1.0), (Extended{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    // Beyond the double range.
    EXPECT_TRUE(std::isinf(ExtendedToDouble(Extended{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F})));
}

TEST(Identifiers, BooleanNilAndNullWordsTakeTheirOwnTags)
{
    EXPECT_EQ(Written([](StreamWriter &w) {
                  for (const char *ident : {"false", "TRUE", "null", "Nil", "wsMaximized"})
                      w.WriteIdent(QString::fromLatin1(ident));
              }).toHex(' '),
              QByteArray("08 09 00 0d 07 0b 77 73 4d 61 78 69 6d 69 7a 65 64"));
}

TEST(Buffering, BufferSizeDoesNotChangeTheBytes)
{
    const auto write = [](StreamWriter &w) {
        w.WriteString(QString(300, u'x'));
        w.WriteDate(QDate(2020, 1, 1));
    };
    EXPECT_EQ(Written(write, 1), Written(write, 1024));
}

} // namespace
