#include "core/changereport.h"
#include "core/error.h"
#include "core/lines.h"
#include "core/tests/recording_progress.h"
#include "core/tests/pricing_header.h"
#include "testsupport/testfiles.h"

#include <QTemporaryDir>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// A header with the given description, change lines and copyright line.
QString header(const QStringList &changes, const QString &copyright = QString(),
               const QStringList &description = {"  Описание."})
{
    QStringList lines{"{==========", "  Name.pas", "", ""};
    lines += description;
    lines += {"", "  Изменения:", "  ----------"};
    lines += changes;
    lines += "==========";
    if (!copyright.isEmpty())
        lines += copyright;
    lines += "  CVS: $Id: x $";
    return lines.join("\r\n") + "\r\n";
}

class ChangeReportTest : public testing::Test
{
protected:
    QString file(const QString &name, const QString &text, Encoding encoding = Encoding::Cp1251)
    {
        const QString subdir = dir.filePath(QString::number(counter++));
        QDir().mkpath(subdir);
        const QString path = subdir + "/" + name;
        writeBytes(path, encode(text, encoding));
        return path;
    }
    QString build(const QStringList &files, QDate start, QDate end, ReportOptions options = {})
    {
        kind = BuildChangeReport(files, start, end, options, progress, result);
        return JoinLines(result);
    }

    QTemporaryDir dir;
    int counter = 0;
    RecordingProgress progress;
    QStringList result{"stale"};
    ReportKind kind = ReportKind::Report;
};

const QDate kJan1(2019, 1, 1);
const QDate kMar31(2019, 3, 31);

class PricingExample : public ChangeReportTest, public testing::WithParamInterface<Encoding>
{
};

TEST_P(PricingExample, PlainHtmlAndCopyrightError)
{
    const QString text = QString::fromUtf8(kPricingHeader);
    const QStringList files{file("Pricing.pas", text, GetParam())};
    for (bool onlyChanges : {false, true}) {
        EXPECT_EQ(build(files, kJan1, kMar31, {false, true, onlyChanges}), QString::fromUtf8(kPricingPlainReport));
        EXPECT_EQ(build(files, kJan1, kMar31, {true, true, onlyChanges}), QString::fromUtf8(kPricingHtmlReport));
    }
    EXPECT_EQ(kind, ReportKind::Report);

    const QStringList bad{file("Pricing.pas", QString(text).replace(QStringLiteral("© 2017"), QStringLiteral("© 2016")), GetParam())};
    EXPECT_EQ(build(bad, kJan1, kMar31, {false, true, false}), QString::fromUtf8(kPricingCopyrightErrors));
    EXPECT_EQ(kind, ReportKind::ErrorList);
}

INSTANTIATE_TEST_SUITE_P(Encodings, PricingExample,
                         testing::Values(Encoding::Cp1251, Encoding::Utf8Bom, Encoding::Utf16LeBom,
                                         Encoding::Utf16BeBom));

TEST_F(ChangeReportTest, EmptyListGivesHeadingAlone)
{
    EXPECT_EQ(build({}, kJan1, kMar31), "01.01.2019 - 31.03.2019\r\n");
}

TEST_F(ChangeReportTest, WindowIncludesBothEndsAndStopsAtFirstLineOutside)
{
    const QString f = file("A.pas", header({"  31.03.2019 [+] end day", "  01.01.2019 [+] start day",
                                            "  31.12.2018 [+] before", "  01.01.2019 [+] out of order"}));
    EXPECT_EQ(build({f}, kJan1, kMar31),
              "01.01.2019 - 31.03.2019\r\n\r\nA.pas\r\n[+] end day\r\n[+] start day\r\n");
}

TEST_F(ChangeReportTest, FirstEntryAfterEndGivesNoEntriesButNameAndDescription)
{
    const QString f = file("A.pas", header({"  01.04.2019 [+] later", "  01.02.2019 [+] inside"}));
    EXPECT_EQ(build({f}, kJan1, kMar31, {false, true, false}),
              "01.01.2019 - 31.03.2019\r\n\r\nA.pas\r\nОписание.\r\n");
    EXPECT_EQ(build({f}, kJan1, kMar31, {false, true, true}), "01.01.2019 - 31.03.2019\r\n");
}

TEST_F(ChangeReportTest, ContinuationLinesAndBadLaterDates)
{
    const QString f = file("A.pas", header({"  05.03.2019 [+] one", "             [*] two", "             no bracket",
                                            "  xx.yy.zzzz [-] three", "  01.03.2019 moves date only",
                                            "", "  02.02.2019 [+] four"}));
    EXPECT_EQ(build({f}, kJan1, kMar31),
              "01.01.2019 - 31.03.2019\r\n\r\nA.pas\r\n[+] one\r\n[*] two\r\n[-] three\r\n[+] four\r\n");
}

TEST_F(ChangeReportTest, MissingHeadingShowsFormatErrorWithoutDescriptionOrHtml)
{
    const QString f = file("A.pas", "{==\r\n1\r\n2\r\n3\r\n  Описание\r\n\r\nno heading\r\n");
    for (bool onlyChanges : {false, true})
        EXPECT_EQ(build({f}, kJan1, kMar31, {true, true, onlyChanges}),
                  "01.01.2019 - 31.03.2019\r\n\r\n<h3 class=\"filename\">A.pas</h3>\r\n"
                  "Ошибка: неверный формат заголовка.\r\n");
}

TEST_F(ChangeReportTest, HeaderProblemsReplaceTheWholeReport)
{
    const QString good = file("Good.pas", header({"  05.03.2019 [+] fine"}));
    const QString noHeader = file("Bad.pas", " {== starts with a blank\r\n");
    const QString badDate = file("Date.pas", header({"  32.01.2019 [+] when?"}, "Copyright © 2026"));
    const QString sameName = file("Bad.pas", "{= not a marker\r\n");
    EXPECT_EQ(build({good, noHeader, badDate, sameName}, kJan1, kMar31),
              "Bad.pas\r\nОшибка: нет заголовка.\r\n\r\nDate.pas\r\nОшибка: дата в строке 8]\r\n"
              "\r\nBad.pas\r\nОшибка: нет заголовка.\r\n");
    EXPECT_EQ(kind, ReportKind::ErrorList);
}

TEST_F(ChangeReportTest, SameNameRightAfterItsGroupAddsToIt)
{
    const QString a = file("Bad.pas", "");
    const QString b = file("Bad.pas", "no header either");
    EXPECT_EQ(build({a, b}, kJan1, kMar31), "Bad.pas\r\nОшибка: нет заголовка.\r\nОшибка: нет заголовка.\r\n");
}

struct CopyrightCase
{
    const char *line;
    const char *errors; // empty when the header passes
};

class CopyrightCheck : public ChangeReportTest, public testing::WithParamInterface<CopyrightCase>
{
};

TEST_P(CopyrightCheck, TestsYearsAtFixedColumns)
{
    const QString f = file("C.pas", header({"  05.03.2019 [+] new", "  14.06.2017 [+] old"},
                                           QString::fromUtf8(GetParam().line)));
    const QString text = build({f}, QDate(2019, 3, 1), kMar31);
    if (*GetParam().errors)
        EXPECT_EQ(text, QString::fromUtf8(GetParam().errors));
    else
        EXPECT_EQ(kind, ReportKind::Report) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyrightCheck,
    testing::Values(CopyrightCase{"Copyright © 2017…2019", ""}, CopyrightCase{"Copyright © 2017", ""},
                    CopyrightCase{"Copyright © 2017...2018", ""},
                    CopyrightCase{"Copyright © 2017…2018", "C.pas\r\nОшибка в Copyright: год последнего изменения не 2019.\r\n"},
                    CopyrightCase{"Copyright © 2016…2018",
                                  "C.pas\r\nОшибка в Copyright: год начала не 2017.\r\n"
                                  "Ошибка в Copyright: год последнего изменения не 2019.\r\n"},
                    CopyrightCase{"  Copyright © 2017…2019", "C.pas\r\nОшибка в Copyright: год начала не 2017.\r\n"},
                    CopyrightCase{"Copyright © 201", "C.pas\r\nОшибка в Copyright: год начала не 2017.\r\n"}));

TEST_F(ChangeReportTest, WithoutIdentificationLineTheBodyIsScannedToo)
{
    const QString text = "{==\r\n\r\n\r\n\r\n==\r\nИзменения:\r\n--\r\n  05.03.2019 [+] x\r\n===\r\n"
                         "// Copyright in the body\r\n";
    EXPECT_EQ(build({file("B.pas", text)}, kJan1, kMar31), "B.pas\r\nОшибка в Copyright: год начала не 2019.\r\n");
}

TEST_F(ChangeReportTest, DescriptionRules)
{
    // Line 4 beginning with "==" means no description; a line of blanks
    // stays inside the description; the heading may follow directly.
    const QString none = file("N.pas", "{==\r\n\r\n\r\n\r\n== sep\r\nИзменения:\r\n--\r\n  05.03.2019 [+] x\r\n=");
    const QString blanks = file("B.pas", header({"  05.03.2019 [+] y"}, {}, {"  first ", "   ", "\tthird"}));
    EXPECT_EQ(build({none, blanks}, kJan1, kMar31, {false, true, false}),
              "01.01.2019 - 31.03.2019\r\n\r\nN.pas\r\n[+] x\r\n\r\nB.pas\r\nfirst\r\n\r\nthird\r\n[+] y\r\n");
}

TEST_F(ChangeReportTest, UndatedFirstEntryLineGivesNoEntriesAndNoCopyrightCheck)
{
    const QString f = file("U.pas", header({"             [+] undated", "  05.03.2019 [+] dated"}, "Copyright © 1999"));
    EXPECT_EQ(build({f}, kJan1, kMar31), "01.01.2019 - 31.03.2019\r\n\r\nU.pas\r\n");
}

TEST_F(ChangeReportTest, TruncatedHeadersAreReadAsFarAsTheyGo)
{
    const QString shortHeader = file("S.pas", "{==\r\n1\r\n2\r\n");
    const QString headingLast = file("H.pas", "{==\r\n\r\n\r\n\r\n==\r\nИзменения:");
    const QString noEndLine = file("E.pas", "{==\r\n\r\n\r\n\r\n==\r\nИзменения:\r\n--\r\n  05.03.2019 [+] last");
    EXPECT_EQ(build({shortHeader, headingLast, noEndLine}, kJan1, kMar31),
              "01.01.2019 - 31.03.2019\r\n\r\nS.pas\r\nОшибка: неверный формат заголовка.\r\n"
              "\r\nH.pas\r\n\r\nE.pas\r\n[+] last\r\n");
}

TEST_F(ChangeReportTest, HtmlEmitsTextUnescaped)
{
    const QString f = file("A&B.pas", header({"  05.03.2019 [+] a < b & c"}));
    EXPECT_EQ(build({f}, kJan1, kMar31, {true, false, false}),
              "01.01.2019 - 31.03.2019\r\n\r\n<h3 class=\"filename\">A&B.pas</h3>\r\n<p>[+] a < b & c</p>\r\n");
}

TEST_F(ChangeReportTest, UnreadableFileStopsTheRunKeepingEarlierBlocks)
{
    const QString good = file("Good.pas", header({"  05.03.2019 [+] fine"}));
    const QString bad = file("Bad.pas", QString());
    writeBytes(bad, "\xEF\xBB\xBF\xFF");
    const QString never = file("Never.pas", header({"  05.03.2019 [+] unread"}));
    try {
        build({good, bad, never}, kJan1, kMar31);
        FAIL() << "the run went on";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), "No mapping for the Unicode character exists in the target multi-byte code page. "
                               "File \"" + bad + "\"");
    }
    EXPECT_EQ(JoinLines(result), "01.01.2019 - 31.03.2019\r\n\r\nGood.pas\r\n[+] fine\r\n");
    EXPECT_EQ(progress.events, (QStringList{"start Good.pas", "done", "start Bad.pas"}));
}

TEST_F(ChangeReportTest, BadFirstDateCountsAsToday)
{
    const QString f = file("T.pas", header({"  99.99.9999 [+] today"}));
    const QDate today = QDate::currentDate();
    EXPECT_EQ(build({f}, today, today), QStringLiteral("T.pas\r\nОшибка: дата в строке 8]\r\n"));
    EXPECT_EQ(build({f}, today.addDays(-3), today.addDays(-1)), QStringLiteral("T.pas\r\nОшибка: дата в строке 8]\r\n"));
}

TEST_F(ChangeReportTest, ReadHeaderGivesWhatTheBuilderGivesAndWhereTheLinesStand)
{
    const QString text = QString::fromUtf8(kPricingHeader);
    const QString path = file("Pricing.pas", text, Encoding::Utf16LeBom);
    const QDate start(2019, 1, 1);
    const QDate end(2019, 3, 31);
    build({path}, start, end, {true, true, false});
    const HeaderReading reading =
        ReadHeader("Pricing.pas", encode(text, Encoding::Utf16LeBom), start, end, {true, true, false});
    EXPECT_EQ(reading.resultText, result);
    EXPECT_EQ(reading.kind, ReportKind::Report);
    EXPECT_TRUE(reading.hasHeader);
    EXPECT_EQ(reading.heading, 7);
    EXPECT_EQ(reading.firstDate, QDate(2019, 3, 5));
    EXPECT_EQ(reading.walkEnd, 11); // 12.11.2018 lies before the window
    EXPECT_EQ(reading.copyrightLines, QList<qsizetype>{15});

    const HeaderReading broken = ReadHeader("Pricing.pas", encode(" " + text, Encoding::Cp1251), start, end, {});
    EXPECT_FALSE(broken.hasHeader);
    EXPECT_EQ(broken.kind, ReportKind::ErrorList);
    EXPECT_EQ(broken.resultText, (QStringList{"Pricing.pas", "Ошибка: нет заголовка."}));
}

TEST_F(ChangeReportTest, ContentHoldsTheBlocksWithTheirDatesAndLeavesTheTextAsItIs)
{
    const QString pricing = file("Pricing.pas", QString::fromUtf8(kPricingHeader));
    const QString empty = file("Empty.pas", header({"  01.04.2019 [+] later"}));
    const QString noHeading = file("Odd.pas", "{==\r\n1\r\n2\r\n3\r\n  Описание\r\n\r\nno heading\r\n");
    for (const bool html : {false, true}) {
        const QString plain = build({pricing, empty, noHeading}, kJan1, kMar31, {html, true, false});
        ReportContent content;
        QStringList withContent;
        EXPECT_EQ(BuildChangeReport({pricing, empty, noHeading}, kJan1, kMar31, {html, true, false}, progress,
                                    withContent, &content),
                  ReportKind::Report);
        EXPECT_EQ(JoinLines(withContent), plain);
        const QList<ReportBlock> expected{
            {0, "Pricing.pas", {"Расчёт цен для складских документов.", "Учитывает скидки и наценки."},
             {{QDate(2019, 3, 5), "[+] Учёт наценки поставщика."}, {QDate(2019, 3, 5), "[*] Исправлено округление цены."}}},
            {1, "Empty.pas", {"Описание."}, {}},
            {2, "Odd.pas", {}, {{std::nullopt, "Ошибка: неверный формат заголовка."}}}};
        EXPECT_EQ(content.blocks, expected);
        EXPECT_TRUE(content.problems.isEmpty());
    }
    ReportContent onlyChanges;
    QStringList ignored;
    BuildChangeReport({empty, pricing}, kJan1, kMar31, {false, false, true}, progress, ignored, &onlyChanges);
    ASSERT_EQ(onlyChanges.blocks.size(), 1);
    EXPECT_EQ(onlyChanges.blocks[0].file, 1);
    EXPECT_TRUE(onlyChanges.blocks[0].description.isEmpty());
}

TEST_F(ChangeReportTest, ContentGivesEveryProblemWithItsLine)
{
    const QString noHeader = file("Bad.pas", " {== starts with a blank\r\n");
    const QString badDate = file("Date.pas", header({"  32.01.2019 [+] when?"}, "Copyright © 2000…2001"));
    const QString pricing = file("Pricing.pas", QString::fromUtf8(kPricingHeader).replace("2017…2019", "2016…2018"));
    const QString sameName = file("Pricing.pas", "");
    const QString plain = build({noHeader, badDate, pricing, sameName}, kJan1, kMar31);
    ReportContent content;
    QStringList withContent;
    EXPECT_EQ(BuildChangeReport({noHeader, badDate, pricing, sameName}, kJan1, kMar31, {}, progress, withContent,
                                &content),
              ReportKind::ErrorList);
    EXPECT_EQ(JoinLines(withContent), plain);
    const QString today = QString::number(QDate::currentDate().year());
    const QList<HeaderProblem> expected{
        {0, "Bad.pas", 0, "Ошибка: нет заголовка."},
        {1, "Date.pas", 8, "Ошибка: дата в строке 8]"},
        {1, "Date.pas", 10, "Ошибка в Copyright: год начала не " + today + "."},
        {1, "Date.pas", 10, "Ошибка в Copyright: год последнего изменения не " + today + "."},
        {2, "Pricing.pas", 15, "Ошибка в Copyright: год начала не 2017."},
        {2, "Pricing.pas", 15, "Ошибка в Copyright: год последнего изменения не 2019."},
        {3, "Pricing.pas", 0, "Ошибка: нет заголовка."}};
    EXPECT_EQ(content.problems, expected);
}

} // namespace
