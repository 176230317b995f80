#include "core/lines.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

struct SplitCase
{
    const char16_t *text;
    QStringList lines;
};

class SplitTextTest : public testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitTextTest, BreaksAtEveryKindOfLineBreak)
{
    EXPECT_EQ(SplitText(QString::fromUtf16(GetParam().text)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    testing::Values(SplitCase{u"", {}}, SplitCase{u"abc", {"abc"}}, SplitCase{u"abc\r\n", {"abc"}},
                    SplitCase{u"abc\r\n\r\n", {"abc", ""}}, SplitCase{u"\r\n", {""}},
                    SplitCase{u"a\rb\nc", {"a", "b", "c"}}, SplitCase{u"a\n\rb", {"a", "", "b"}},
                    SplitCase{u"ab\0cd\r\nef", {"ab"}}, SplitCase{u"ab\r\n\0cd", {"ab"}},
                    SplitCase{u"\0abc", {}}, SplitCase{u"  \t", {"  \t"}}));

TEST_P(SplitTextTest, SpansGiveTheSameLinesAndEndAtTheirBreaks)
{
    const QString text = QString::fromUtf16(GetParam().text);
    QStringList lines;
    qsizetype previous = 0;
    for (const LineSpan &span : SplitTextSpans(text)) {
        EXPECT_EQ(span.start, previous);
        lines << text.sliced(span.start, span.length);
        const QString lineBreak = text.sliced(span.start + span.length, span.next - span.start - span.length);
        EXPECT_TRUE(lineBreak.isEmpty() || lineBreak == "\r" || lineBreak == "\n" || lineBreak == "\r\n");
        previous = span.next;
    }
    EXPECT_EQ(lines, GetParam().lines);
}

TEST_P(SplitTextTest, CountIsTheNumberOfLines)
{
    EXPECT_EQ(CountLines(QString::fromUtf16(GetParam().text)), GetParam().lines.size());
}

TEST_P(SplitTextTest, EachLineIsGivenInTurn)
{
    QStringList lines;
    ForEachLine(QString::fromUtf16(GetParam().text), [&](QStringView line) { lines << line.toString(); });
    EXPECT_EQ(lines, GetParam().lines);
}

TEST(JoinLinesTest, PutsCrLfAfterEveryLine)
{
    EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({"", "x\r\ny"}), "\r\nx\r\ny\r\n");
}

TEST(NormalizeLineBreaksTest, TextWithOnlyCrLfBreaksIsToldFromTextWithOthers)
{
    for (const char16_t *text : {u"a\rb", u"a\nb", u"a\n\rb", u"\r", u"\n", u"a\r\nb\r", u"\na\r\n"})
        EXPECT_FALSE(HasOnlyCrLfBreaks(text)) << QString::fromUtf16(text).toStdString();
    for (const char16_t *text : {u"", u"no break", u"a\r\nb\r\n", u"\r\n\r\n"})
        EXPECT_TRUE(HasOnlyCrLfBreaks(text)) << QString::fromUtf16(text).toStdString();
}

TEST(NormalizeLineBreaksTest, TurnsEveryBreakIntoCrLf)
{
    EXPECT_EQ(NormalizeLineBreaks(u"a\rb\nc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(NormalizeLineBreaks(u"no break"), "no break");
    EXPECT_EQ(NormalizeLineBreaks(u"\r"), "\r\n");
}

} // namespace
