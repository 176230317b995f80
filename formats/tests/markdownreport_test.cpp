#include "core/filename.h"
#include "core/utf8.h"
#include "formats/markdownreport.h"
#include "formats/tests/reportfixtures.h"

#include <cmark.h>

#include <cstdlib>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// The HTML that a CommonMark renderer makes of the Markdown.
QString rendered(const QByteArray &markdown)
{
    char *html = cmark_markdown_to_html(markdown.constData(), size_t(markdown.size()), CMARK_OPT_DEFAULT);
    const QString result = QString::fromUtf8(html);
    std::free(html);
    return result;
}

// Text as the renderer writes it inside an element.
QString htmlText(QString text)
{
    return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
}

void expectRenderedPart(const QByteArray &markdown, const QString &part)
{
    const QString html = rendered(markdown);
    EXPECT_TRUE(html.contains(part)) << "HTML:\n" << html.toStdString() << "\nlacks:\n" << part.toStdString()
                                     << "\nMarkdown:\n" << markdown.toStdString();
}

// What every Markdown report must be: UTF-8 without a mark, LF breaks only.
void expectPlainUtf8(const QByteArray &bytes)
{
    EXPECT_TRUE(IsValidUtf8(bytes.constData(), bytes.size()));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_TRUE(bytes.endsWith('\n'));
}

struct WorkedCase
{
    const char *title;
    bool withDescription;
    bool copyrightError;
    const char *html;
};

class MarkdownWorkedExample : public testing::TestWithParam<WorkedCase>
{
};

TEST_P(MarkdownWorkedExample, RendersAsThePlainReportReads)
{
    ReportFixture fixture;
    const WorkedCase &c = GetParam();
    const ReportDocument document = c.copyrightError
                                        ? fixture.pricing("© 2017", "© 2016", {false, c.withDescription, false})
                                        : fixture.pricing({}, {}, {false, c.withDescription, false});
    const QByteArray markdown = MarkdownReport(document);
    expectPlainUtf8(markdown);
    EXPECT_EQ(rendered(markdown), QString::fromUtf8(c.html)) << markdown.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkdownWorkedExample,
    testing::Values(WorkedCase{"Plain", false, false,
                               "<h1>01.01.2019 - 31.03.2019</h1>\n<h2>Pricing.pas</h2>\n<ul>\n"
                               "<li>[+] Учёт наценки поставщика.</li>\n<li>[*] Исправлено округление цены.</li>\n</ul>\n"},
                    WorkedCase{"WithDescription", true, false,
                               "<h1>01.01.2019 - 31.03.2019</h1>\n<h2>Pricing.pas</h2>\n"
                               "<p>Расчёт цен для складских документов.<br />\nУчитывает скидки и наценки.</p>\n<ul>\n"
                               "<li>[+] Учёт наценки поставщика.</li>\n<li>[*] Исправлено округление цены.</li>\n</ul>\n"},
                    WorkedCase{"ErrorList", true, true,
                               "<h2>Pricing.pas</h2>\n<ul>\n<li>Ошибка в Copyright: год начала не 2017.</li>\n</ul>\n"}),
    [](const testing::TestParamInfo<WorkedCase> &info) { return info.param.title; });

TEST(MarkdownReport, BlocksWithoutEntriesAndErrorGroupsFollowTheReport)
{
    ReportFixture fixture;
    const QStringList paths = fixture.write({{"Later.pas", headerWith({"  Описание."}, {"  01.04.2019 [+] later"})},
                                             {"Odd.pas", "{==\r\n1\r\n2\r\n3\r\n\r\nno heading\r\n"}});
    EXPECT_EQ(rendered(MarkdownReport(fixture.build(paths))),
              "<h1>01.01.2019 - 31.03.2019</h1>\n<h2>Later.pas</h2>\n<p>Описание.</p>\n"
              "<h2>Odd.pas</h2>\n<ul>\n<li>Ошибка: неверный формат заголовка.</li>\n</ul>\n");

    // Files of the same name in two folders: a heading each, showing its path.
    const QStringList broken = fixture.write({{"A.pas", ""}, {"A.pas", "x"}, {"B.pas", "y"}});
    EXPECT_EQ(rendered(MarkdownReport(fixture.build(broken))),
              "<h2>" + htmlText(broken[0]) + "</h2>\n<ul>\n<li>Ошибка: нет заголовка.</li>\n</ul>\n"
              "<h2>" + htmlText(broken[1]) + "</h2>\n<ul>\n<li>Ошибка: нет заголовка.</li>\n</ul>\n"
              "<h2>B.pas</h2>\n<ul>\n<li>Ошибка: нет заголовка.</li>\n</ul>\n");
}

// Texts that mean something to a Markdown renderer, or to the HTML it makes.
const char *const kHostile[] = {
    "*star* _under_ **bold** __strong__",
    "`code` ``two``",
    "# hash ## closing #",
    "1. one",
    "2) two",
    "- dash",
    "+ plus",
    "> quote",
    "<b>bold</b> <!-- c --> &amp; &#65; &copy;",
    "[link](http://x.org) ![img](y.png) [ref] [ref]: /url",
    "<http://x.org> www.x.org",
    "back\\slash \\* ends\\",
    "~~strike~~ a | b | c",
    "---",
    "===",
    "***",
    "```",
    "~~~",
    "\"double\" 'single'",
    "</li></ul><script>alert(1)</script>",
    "tab\there",
    "ctl\x01\x1f\x7f end",
};

class MarkdownHostileText : public testing::TestWithParam<const char *>
{
};

TEST_P(MarkdownHostileText, RendersAsTypedInNamesEntriesAndDescriptions)
{
    const QString text = QString::fromUtf8(GetParam());
    ReportFixture fixture;
    const QString entry = "[" + text;
    const QString name = QString(text).replace('/', '_') + ".pas";
    const QStringList paths = fixture.write({{name, headerWith({"  " + text, "  " + text},
                                                               {"  05.03.2019 " + entry})}});
    const QByteArray markdown = MarkdownReport(fixture.build(paths));
    expectPlainUtf8(markdown);
    expectRenderedPart(markdown, "<h2>" + htmlText(name) + "</h2>\n");
    expectRenderedPart(markdown, "<li>" + htmlText(entry) + "</li>\n");
    expectRenderedPart(markdown, "<p>" + htmlText(text) + "<br />\n" + htmlText(text) + "</p>\n");
}

INSTANTIATE_TEST_SUITE_P(Texts, MarkdownHostileText, testing::ValuesIn(kHostile));

struct NameCase
{
    QByteArray bytes; // the file's name on disk
    const char *shown;
};

class MarkdownFileName : public testing::TestWithParam<NameCase>
{
};

TEST_P(MarkdownFileName, IsOneHeadingShowingTheName)
{
    const QString name = FileNameFromBytes(GetParam().bytes);
    ReportFixture fixture;
    const QByteArray markdown =
        MarkdownReport(fixture.build(fixture.write({{name, headerWith({"  D"}, {"  05.03.2019 [+] x"})}})));
    expectPlainUtf8(markdown);
    expectRenderedPart(markdown, "<h2>" + htmlText(QString::fromUtf8(GetParam().shown)) + "</h2>\n");
}

INSTANTIATE_TEST_SUITE_P(Names, MarkdownFileName,
                         testing::Values(NameCase{"caf\xE9.pas", "caf\xEF\xBF\xBD.pas"},
                                         NameCase{"\xFF\xFE.pas", "\xEF\xBF\xBD\xEF\xBF\xBD.pas"},
                                         NameCase{"two\nlines.pas", "two\nlines.pas"},
                                         NameCase{"  blanks around.pas  ", "  blanks around.pas  "},
                                         NameCase{"1. first.pas", "1. first.pas"},
                                         NameCase{"- dash.pas", "- dash.pas"}));

struct DescriptionCase
{
    QStringList header; // the description lines as the header holds them
    const char *html;
};

class MarkdownDescription : public testing::TestWithParam<DescriptionCase>
{
};

TEST_P(MarkdownDescription, KeepsItsLineBreaks)
{
    ReportFixture fixture;
    const QByteArray markdown = MarkdownReport(
        fixture.build(fixture.write({{"A.pas", headerWith(GetParam().header, {"  05.03.2019 [+] x"})}})));
    expectRenderedPart(markdown, QString::fromUtf8(GetParam().html));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkdownDescription,
    testing::Values(DescriptionCase{{"  one", "  two", "  three"}, "<p>one<br />\ntwo<br />\nthree</p>\n"},
                    // A line of blanks is an empty line inside the description.
                    DescriptionCase{{"  before", "   ", "  after"}, "<p>before<br />\n<br />\nafter</p>\n"},
                    DescriptionCase{{"", "  after an empty first line"}, "<p><br />\nafter an empty first line</p>\n"},
                    DescriptionCase{{"  last", "   "}, "<h2>A.pas</h2>\n<p>last</p>\n"},
                    DescriptionCase{{"  Heading", "  ======="}, "<p>Heading<br />\n=======</p>\n"},
                    DescriptionCase{{"  text", "  - item", "  1. item", "  > quote"},
                                    "<p>text<br />\n- item<br />\n1. item<br />\n&gt; quote</p>\n"}));

} // namespace
