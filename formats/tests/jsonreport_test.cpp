#include "core/filename.h"
#include "core/utf8.h"
#include "formats/jsonreport.h"
#include "formats/tests/reportfixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// Parses the bytes as a JSON parser does, after checking that they are the
// UTF-8 that JSON must be.
QJsonObject parsed(const QByteArray &bytes)
{
    EXPECT_TRUE(IsValidUtf8(bytes.constData(), bytes.size()));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_FALSE(bytes.contains('\r'));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << bytes.toStdString();
    EXPECT_TRUE(document.isObject());
    return document.object();
}

QJsonArray lines(const QStringList &texts)
{
    return QJsonArray::fromStringList(texts);
}

QJsonObject entry(const char *date, const char *text)
{
    return {{"date", date ? QJsonValue(date) : QJsonValue()}, {"text", QString::fromUtf8(text)}};
}

struct WorkedCase
{
    const char *title;
    bool withDescription;
    bool copyrightError;
};

class JsonWorkedExample : public testing::TestWithParam<WorkedCase>
{
};

TEST_P(JsonWorkedExample, ParsesBackToTheReportsContent)
{
    ReportFixture fixture;
    const WorkedCase &c = GetParam();
    const ReportOptions options{false, c.withDescription, false};
    const ReportDocument document =
        c.copyrightError ? fixture.pricing("© 2017", "© 2016", options) : fixture.pricing({}, {}, options);
    const QString path = document.files.first();
    QJsonObject expected{{"from", "2019-01-01"}, {"to", "2019-03-31"}};
    if (c.copyrightError) {
        expected.insert("kind", "errors");
        expected.insert("errors", QJsonArray{QJsonObject{{"path", path},
                                                         {"name", "Pricing.pas"},
                                                         {"line", 16},
                                                         {"message", "Ошибка в Copyright: год начала не 2017."}}});
    } else {
        expected.insert("kind", "report");
        const QStringList description{"Расчёт цен для складских документов.", "Учитывает скидки и наценки."};
        expected.insert(
            "files",
            QJsonArray{QJsonObject{{"path", path},
                                   {"name", "Pricing.pas"},
                                   {"description", lines(c.withDescription ? description : QStringList())},
                                   {"entries", QJsonArray{entry("2019-03-05", "[+] Учёт наценки поставщика."),
                                                          entry("2019-03-05", "[*] Исправлено округление цены.")}}}});
    }
    EXPECT_EQ(parsed(JsonReport(document)), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, JsonWorkedExample,
                         testing::Values(WorkedCase{"Plain", false, false}, WorkedCase{"WithDescription", true, false},
                                         WorkedCase{"ErrorList", true, true}),
                         [](const testing::TestParamInfo<WorkedCase> &info) { return info.param.title; });

TEST(JsonReport, EveryProblemHasItsOneBasedLineAndTheTextInPlaceOfAChangeListNoDate)
{
    ReportFixture fixture;
    const QStringList broken =
        fixture.write({{"None.pas", " {=="}, {"Date.pas", headerWith({"  D"}, {"  32.13.2019 [+] when?"})}});
    const QJsonArray errors = parsed(JsonReport(fixture.build(broken)))["errors"].toArray();
    // Today stands in for the bad date, so the copyright year fails too.
    ASSERT_EQ(errors.size(), 3);
    EXPECT_EQ(errors[0]["line"], 1);
    EXPECT_EQ(errors[0]["message"], "Ошибка: нет заголовка.");
    EXPECT_EQ(errors[1]["line"], 9);
    EXPECT_EQ(errors[1]["message"], "Ошибка: дата в строке 8]");
    EXPECT_EQ(errors[2]["line"], 11);
    EXPECT_EQ(errors[2]["name"], "Date.pas");

    const QStringList odd = fixture.write({{"Odd.pas", "{==\r\n1\r\n2\r\n3\r\n\r\nno heading\r\n"}});
    const QJsonObject report = parsed(JsonReport(fixture.build(odd)));
    EXPECT_EQ(report["kind"], "report");
    EXPECT_EQ(report["files"][0]["entries"], (QJsonArray{entry(nullptr, "Ошибка: неверный формат заголовка.")}));
}

// Texts that a JSON writer must escape, or that a careless one breaks on.
const char *const kHostile[] = {
    "\"quoted\" and 'single'",
    "back\\slash \\u0041 \\n",
    "ctl \x01\x02\x08\x0b\x0c\x1b\x1f\x7f end",
    "tab\there",
    "</script><!-- {\"a\": [1, 2]} -->",
    "line\xE2\x80\xA8separator\xE2\x80\xA9paragraph",
    "astral \xF0\x9F\x98\x80 smile",
};

class JsonHostileText : public testing::TestWithParam<const char *>
{
};

TEST_P(JsonHostileText, ParsesBackToTheSameText)
{
    const QString text = QString::fromUtf8(GetParam());
    ReportFixture fixture;
    const QString name = QString(text).replace('/', '_') + ".pas";
    const QStringList paths = fixture.write({{name, headerWith({"  " + text}, {"  05.03.2019 [" + text})}});
    const QJsonObject file = parsed(JsonReport(fixture.build(paths)))["files"][0].toObject();
    EXPECT_EQ(file["path"], paths.first());
    EXPECT_EQ(file["name"], name);
    EXPECT_FALSE(file.contains("pathBytes"));
    EXPECT_EQ(file["description"], lines({text}));
    EXPECT_EQ(file["entries"][0]["text"], "[" + text);
}

INSTANTIATE_TEST_SUITE_P(Texts, JsonHostileText, testing::ValuesIn(kHostile));

struct NameCase
{
    QByteArray bytes; // the file's name on disk
    const char *shown;
};

class JsonFileName : public testing::TestWithParam<NameCase>
{
};

TEST_P(JsonFileName, NotUtf8HasReplacementCharactersAndItsExactBytes)
{
    ReportFixture fixture;
    const QStringList paths =
        fixture.write({{FileNameFromBytes(GetParam().bytes), headerWith({"  D"}, {"  05.03.2019 [+] x"})}});
    const QJsonObject file = parsed(JsonReport(fixture.build(paths)))["files"][0].toObject();
    const QString shown = QString::fromUtf8(GetParam().shown);
    EXPECT_EQ(file["name"], shown);
    EXPECT_TRUE(file["path"].toString().endsWith("/" + shown));
    EXPECT_EQ(QByteArray::fromBase64(file["pathBytes"].toString().toLatin1()), FileNameToBytes(paths.first()));
}

INSTANTIATE_TEST_SUITE_P(Names, JsonFileName,
                         testing::Values(NameCase{"caf\xE9.pas", "caf\xEF\xBF\xBD.pas"},
                                         NameCase{"\xFF\xFE.pas", "\xEF\xBF\xBD\xEF\xBF\xBD.pas"},
                                         NameCase{"half\xD0.pas", "half\xEF\xBF\xBD.pas"}));

TEST(JsonReport, LoneSurrogateFromAUtf16HeaderBecomesAReplacementCharacter)
{
    ReportFixture fixture;
    const QString text = QString::fromUtf8(kPricingHeader).replace("Учёт наценки", QString(QChar(0xD800)) + "x");
    QStringList paths = fixture.write({{"Pricing.pas", ""}});
    writeBytes(paths.first(), encode(text, Encoding::Utf16LeBom));
    const QJsonObject file = parsed(JsonReport(fixture.build(paths)))["files"][0].toObject();
    EXPECT_EQ(file["entries"][0]["text"], QStringLiteral("[+] \uFFFDx поставщика."));
}

} // namespace
