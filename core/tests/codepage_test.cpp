#include "core/codepage.h"
#include "core/error.h"

#include "testsupport/testing.h"

using namespace lorvane;

namespace {

TEST(CodePageTest, Windows1251RoundTripsCyrillic)
{
    const CodePage page(QStringLiteral("CP1251"));
    EXPECT_TRUE(page.isSingleByte());
    const QString text = QStringLiteral("Создание проекта ёЁ №©…");
    EXPECT_EQ(page.decode(page.encode(text)), text);
    EXPECT_EQ(page.encode(u"\u0410"), QByteArray("\xC0"));
}

TEST(CodePageTest, UndefinedByteBecomesItsOwnCharacter)
{
    EXPECT_EQ(CodePage(QStringLiteral("CP1251")).decode(QByteArray("\x98")), QStringLiteral("\u0098"));
}

struct BestFitCase
{
    const char16_t *text;
    const char *bytes;
};

class BestFit : public testing::TestWithParam<BestFitCase>
{
};

TEST_P(BestFit, GivesBestFitOrQuestionMark)
{
    EXPECT_EQ(CodePage(QStringLiteral("CP1251")).encode(QStringView(GetParam().text)), QByteArray(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Cases, BestFit,
                         testing::Values(BestFitCase{u"é", "e"}, BestFitCase{u"→", "->"}, BestFitCase{u"中", "?"},
                                         BestFitCase{u"a\xD800z", "a?z"}, BestFitCase{u"\U0001F600", "?"},
                                         BestFitCase{u"plain ascii", "plain ascii"}));

struct RefusedName
{
    const char *name;
    const char *message;
};

class RefusedNames : public testing::TestWithParam<RefusedName>
{
};

TEST_P(RefusedNames, AreErrors)
{
    try {
        CodePage page(QString::fromLatin1(GetParam().name));
        ADD_FAILURE() << "accepted as " << page.name().toStdString();
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), QString::fromLatin1(GetParam().message));
    }
}

// A blank name would be iconv's name for the locale's character set.
INSTANTIATE_TEST_SUITE_P(Names, RefusedNames,
                         testing::Values(RefusedName{"NO-SUCH-PAGE", "Unknown code page \"NO-SUCH-PAGE\""},
                                         RefusedName{"", "Unknown code page \"\""},
                                         RefusedName{"   ", "Unknown code page \"   \""},
                                         RefusedName{"UTF-16", "Not an 8-bit code page \"UTF-16\""},
                                         RefusedName{"UTF-16LE", "Not an 8-bit code page \"UTF-16LE\""},
                                         RefusedName{"UCS-4", "Not an 8-bit code page \"UCS-4\""},
                                         RefusedName{"UTF-32", "Not an 8-bit code page \"UTF-32\""}));

TEST(CodePageTest, ByteOrientedCodePagesAreAccepted)
{
    for (const char *name : {"CP1251", "CP1252", "KOI8-R", "UTF-8", "CP932", "GBK"})
        EXPECT_NO_THROW(CodePage(QString::fromLatin1(name))) << name;
}

TEST(CodePageTest, MultiByteCodePageDecodesInvalidBytesAsThemselves)
{
    const CodePage page(QStringLiteral("CP932"));
    EXPECT_FALSE(page.isSingleByte());
    EXPECT_EQ(page.decode(QByteArray("\x82\xA0x\x81")), QStringLiteral("\u3042x\u0081"));
}

TEST(CodePageTest, SystemDefaultsToWindows1251)
{
    EXPECT_EQ(CodePage::System().name(), "CP1251");
}

} // namespace
