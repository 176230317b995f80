#include "core/filename.h"
#include "formats/problemlines.h"
#include "formats/tests/problemparsing.h"

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// One problem in a file of this path, at the 0-based line 6.
ReportDocument documentOf(const QString &path, const QString &message)
{
    ReportDocument document{ReportKind::ErrorList, QDate(1, 1, 1), QDate(2024, 6, 15), {"first.pas", path}, {}};
    document.content.problems = {{0, "first.pas", 0, "Ошибка: нет заголовка."},
                                 {1, path.section(u'/', -1), 6, message}};
    return document;
}

struct LinesCase
{
    const char *name;
    QString path;
    QString message;
    // The second problem as each format gives it, read back; the first is
    // always "first.pas" at line 1.
    ParsedProblem gnu;
    ParsedProblem github;
};

void PrintTo(const LinesCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProblemLines : public testing::TestWithParam<LinesCase>
{
};

TEST_P(ProblemLines, ReadBackToTheirPathLineAndMessage)
{
    const LinesCase &c = GetParam();
    const ReportDocument document = documentOf(c.path, c.message);
    const ParsedProblem first{"first.pas", 1, "Ошибка: нет заголовка."};
    EXPECT_EQ(ParseGnuLines(GnuProblemLines(document)), (QList<ParsedProblem>{first, c.gnu}));
    EXPECT_EQ(ParseGithubLines(GithubProblemLines(document)), (QList<ParsedProblem>{first, c.github}));
}

const QString kMessage = "Ошибка: нет новой записи в списке изменений.";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProblemLines,
    testing::Values(
        LinesCase{"Plain", "src/Pricing.pas", kMessage, {"src/Pricing.pas", 7, kMessage},
                  {"src/Pricing.pas", 7, kMessage}},
        LinesCase{"PercentColonAndCommaInThePath", "50%25, a:b/%0A.pas", kMessage,
                  {"50%25, a:b/%0A.pas", 7, kMessage}, {"50%25, a:b/%0A.pas", 7, kMessage}},
        LinesCase{"LineBreaksInThePath", "a\r\nb\rc\nd.pas", kMessage, {"a b c d.pas", 7, kMessage},
                  {"a\r\nb\rc\nd.pas", 7, kMessage}},
        LinesCase{"LineBreaksPercentAndColonsInTheMessage", "A.pas", "один\r\nдва\rтри\nчетыре 100% :: 5:6,",
                  {"A.pas", 7, "один два три четыре 100% :: 5:6,"},
                  {"A.pas", 7, "один\r\nдва\rтри\nчетыре 100% :: 5:6,"}},
        LinesCase{"NameThatIsNotUtf8", FileNameFromBytes("src/\xCF\xF0.pas"), kMessage,
                  {"src/\uFFFD\uFFFD.pas", 7, kMessage}, {"src/\uFFFD\uFFFD.pas", 7, kMessage}}),
    [](const testing::TestParamInfo<LinesCase> &info) { return info.param.name; });

TEST(ProblemLines, TheExactLinesOfBothFormats)
{
    const ReportDocument document = documentOf("a,b:c%.pas", "x%\r\ny");
    EXPECT_EQ(GnuProblemLines(document), QByteArray("first.pas:1: Ошибка: нет заголовка.\n"
                                                    "a,b:c%.pas:7: x% y\n"));
    EXPECT_EQ(GithubProblemLines(document), QByteArray("::error file=first.pas,line=1::Ошибка: нет заголовка.\n"
                                                       "::error file=a%2Cb%3Ac%25.pas,line=7::x%25%0D%0Ay\n"));
}

TEST(ProblemLines, NoProblemsGiveNothing)
{
    const ReportDocument clean{ReportKind::ErrorList, QDate(1, 1, 1), QDate(2024, 6, 15), {"A.pas"}, {}};
    EXPECT_EQ(GnuProblemLines(clean), QByteArray());
    EXPECT_EQ(GithubProblemLines(clean), QByteArray());
}

} // namespace
