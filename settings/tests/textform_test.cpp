#include "core/error.h"
#include "settings/tests/streamtesting.h"
#include "settings/stream/textform.h"

#include "testsupport/testing.h"

#include <optional>

using namespace lorvane;

namespace {

// One property of every value tag: its bytes, its line in the text form, and
// the bytes that line converts back to where the writer's rules pick
// another tag.
struct Entry
{
    const char *name;
    const char *valueHex;
    const char *line;
    const char *backHex = nullptr;
};

const Entry kEntries[] = {
    {"Null", "00", "Null = Null"},
    {"List", "01 02 05 06 01 61 00", "List = (5 'a')"},
    {"Int8", "02 fe", "Int8 = -2"},
    {"Int16", "03 e8 03", "Int16 = 1000"},
    {"Int32", "04 60 79 fe ff", "Int32 = -100000"},
    {"Int64", "13 00 00 00 00 01 00 00 00", "Int64 = 4294967296"},
    {"Extended", "05 00 00 00 00 00 00 00 c0 ff 3f", "Extended = 1.5"},
    {"Quote", "06 03 61 27 62", "Quote = 'a''b'"},
    {"State", "07 0b 77 73 4d 61 78 69 6d 69 7a 65 64", "State = wsMaximized"},
    {"No", "08", "No = False"},
    {"Yes", "09", "Yes = True"},
    {"Nothing", "0d", "Nothing = nil"},
    {"Data", "0a 03 00 00 00 01 ab ff", "Data = {01ABFF}"},
    {"Style", "0b 06 66 73 42 6f 6c 64 08 66 73 49 74 61 6c 69 63 00", "Style = [fsBold, fsItalic]"},
    {"Long", "0c 02 00 00 00 68 69", "Long = 'hi'", "06 02 68 69"},
    {"Columns", "0e 01 04 53 69 7a 65 02 05 00 02 07 01 00 00",
     "Columns = <\r\n    item\r\n      Size = 5\r\n    end\r\n    item [7]\r\n    end>"},
    {"Single", "0f 00 00 c0 3f", "Single = 1.5s"},
    {"Amount", "10 68 c5 ff ff ff ff ff ff", "Amount = -15000c"},
    {"When", "11 00 00 00 00 f0 66 e5 40", "When = 43831.5d"},
    {"Wide", "12 02 00 00 00 14 04 27 00", "Wide = #1044''''", "14 03 00 00 00 d0 94 27"},
    {"Utf8", "14 02 00 00 00 d0 94", "Utf8 = #1044", "12 01 00 00 00 14 04"},
    {"Double", "15 00 00 00 00 00 00 d0 3f", "Double = 0.25r"},
    {"a b", "02 01", "'a b' = 1"},
};

QByteArray EveryTag(bool back)
{
    QByteArray bytes = kSignature + Str("TMainFM") + Str("MainFM");
    for (const Entry &entry : kEntries)
        bytes += Str(entry.name) + QByteArray::fromHex(back && entry.backHex ? entry.backHex : entry.valueHex);
    return bytes + QByteArray(2, '\0');
}

QString EveryTagText()
{
    QString text = QStringLiteral("object MainFM: TMainFM\r\n");
    for (const Entry &entry : kEntries)
        text += QStringLiteral("  ") + QString::fromLatin1(entry.line) + QStringLiteral("\r\n");
    return text + QStringLiteral("end\r\n");
}

TEST(TextForm, EveryValueTagGetsItsLine)
{
    EXPECT_EQ(PropertyStreamToText(EveryTag(false)), EveryTagText());
}

TEST(TextForm, EveryLineConvertsBackByTheWritersRules)
{
    EXPECT_EQ(PropertyTextToStream(EveryTagText().toLatin1()).toHex(' '), EveryTag(true).toHex(' '));
}

TEST(TextForm, RecordPrefixFlagsBecomeKeywordsAndBack)
{
    const QByteArray stream = kSignature + Str("TMainFM") + Str("MainFM") + QByteArray(1, '\0')
                            + QByteArray::fromHex("f3 02 05") + Str("TGrid") + Str("grid") + QByteArray(2, '\0')
                            + QByteArray::fromHex("f4") + Str("TPanel") + Str("panel") + QByteArray(2, '\0')
                            + QByteArray::fromHex("f0") + Str("TMemo") + Str("memo") + QByteArray(3, '\0');
    const QString text = QStringLiteral("object MainFM: TMainFM\r\n"
                                        "  inherited grid: TGrid [5]\r\n  end\r\n"
                                        "  inline panel: TPanel\r\n  end\r\n"
                                        "  object memo: TMemo\r\n  end\r\n"
                                        "end\r\n");
    EXPECT_EQ(PropertyStreamToText(stream), text);
    // A prefix without flags says nothing and is not written back.
    QByteArray back = stream;
    back.remove(back.indexOf('\xf0'), 1);
    EXPECT_EQ(PropertyTextToStream(text.toLatin1()).toHex(' '), back.toHex(' '));
}

QByteArray NestedLists(int depth)
{
    return kSignature + Str("T") + Str("a") + Str("P") + QByteArray(depth, '\x01') + QByteArray(depth, '\0')
         + QByteArray(2, '\0');
}

QByteArray NestedParentheses(int depth)
{
    return "object a: T\r\n  P = " + QByteArray(depth, '(') + QByteArray(depth, ')') + "\r\nend\r\n";
}

struct Failure
{
    const char *name;
    QByteArray input;
    const char *message;
};

std::optional<QString> StreamFailure(const QByteArray &stream)
{
    try {
        PropertyStreamToText(stream);
    } catch (const Error &error) {
        return error.message();
    }
    return std::nullopt;
}

std::optional<QString> TextFailure(const QByteArray &text)
{
    try {
        PropertyTextToStream(text);
    } catch (const Error &error) {
        return error.message();
    }
    return std::nullopt;
}

class StreamToTextFailure : public testing::TestWithParam<Failure>
{
};

TEST_P(StreamToTextFailure, EndsTheConversionWithItsMessage)
{
    EXPECT_EQ(StreamFailure(GetParam().input), QString::fromLatin1(GetParam().message));
}

const QByteArray kHead = kSignature + Str("T") + Str("a");

INSTANTIATE_TEST_SUITE_P(
    Streams, StreamToTextFailure,
    testing::Values(Failure{"ShorterThanTheSignature", "TP", "Stream read error"},
                    Failure{"AnotherSignature", "TPFx" + Str("T") + Str("a") + QByteArray(2, '\0'),
                            "Invalid stream format."},
                    Failure{"CutInsideAnInteger", kHead + Str("I") + QByteArray::fromHex("04 01 02"),
                            "Stream read error"},
                    Failure{"UnknownTag", kHead + Str("I") + QByteArray::fromHex("16"), "Invalid stream format."},
                    Failure{"IdentifierWithABlank", kHead + Str("I") + QByteArray::fromHex("07") + Str("a b"),
                            "Invalid stream format."},
                    Failure{"NegativeBinaryLength", kHead + Str("B") + QByteArray::fromHex("0a ff ff ff ff"),
                            "Stream read error"},
                    Failure{"ChildPositionThatIsNoInteger",
                            kSignature + QByteArray::fromHex("f2 06") + Str("T") + Str("a") + QByteArray(2, '\0'),
                            "Invalid property value"},
                    Failure{"NestedTooDeep", NestedLists(64), "Invalid stream format"}),
    [](const auto &info) { return info.param.name; });

TEST(TextForm, NestingUpToTheLimitConverts)
{
    EXPECT_EQ(StreamFailure(NestedLists(63)), std::nullopt);
    EXPECT_EQ(TextFailure(NestedParentheses(63)), std::nullopt);
}

class TextToStreamFailure : public testing::TestWithParam<Failure>
{
};

TEST_P(TextToStreamFailure, FailsAsAnInvalidStream)
{
    EXPECT_EQ(TextFailure(GetParam().input), QString::fromLatin1(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToStreamFailure,
    testing::Values(Failure{"ChildPositionThatIsNoNumber", "object a: T [x]\r\nend\r\n", "Invalid stream format."},
                    Failure{"CurrencyWithAFraction", "object a: T\r\n  P = 1.5c\r\nend\r\n",
                            "Invalid stream format."},
                    Failure{"IntegerBeyond64Bits", "object a: T\r\n  P = 9223372036854775808\r\nend\r\n",
                            "Invalid stream format."},
                    Failure{"ItemPositionThatIsNoNumber", "object a: T\r\n  C = <\r\n    item [x]\r\n    end>\r\nend\r\n",
                            "Invalid stream format."},
                    Failure{"RecordWithoutAName", "inline : TX\r\nend\r\n", "Invalid stream format."},
                    Failure{"NestedTooDeep", NestedParentheses(64), "Invalid stream format."}),
    [](const auto &info) { return info.param.name; });

TEST(TextForm, NumbersTakeTheTagOfTheirSuffix)
{
    const QByteArray text = "inherited a: T [3]\r\n"
                            "  C = <\r\n    item [-2]\r\n      Size = 5\r\n    end\r\n    item\r\n    end>\r\n"
                            "  R = 1.5r\r\n  D = 2.5d\r\n  S = 0.5s\r\n  M = -7c\r\n  I = +inf\r\n  E = 1e3\r\n"
                            "  N = 12\r\n"
                            "end\r\n";
    const QByteArray expected = kSignature + QByteArray::fromHex("f3 02 03") + Str("T") + Str("a")
                              + Str("C") + QByteArray::fromHex("0e 02 fe 01") + Str("Size")
                              + QByteArray::fromHex("02 05 00 01 00 00")
                              + Str("R") + QByteArray::fromHex("15 00 00 00 00 00 00 f8 3f")
                              + Str("D") + QByteArray::fromHex("11 00 00 00 00 00 00 04 40")
                              + Str("S") + QByteArray::fromHex("0f 00 00 00 3f")
                              + Str("M") + QByteArray::fromHex("10 f9 ff ff ff ff ff ff ff")
                              + Str("I") + QByteArray::fromHex("05 00 00 00 00 00 00 00 80 ff 7f")
                              + Str("E") + QByteArray::fromHex("05 00 00 00 00 00 00 00 fa 08 40")
                              + Str("N") + QByteArray::fromHex("02 0c") + QByteArray(2, '\0');
    EXPECT_EQ(PropertyTextToStream(text).toHex(' '), expected.toHex(' '));
}

} // namespace
