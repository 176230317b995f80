#include "core/codepage.h"
#include "core/error.h"

#include "testsupport/testing.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>

using namespace lorvane;

namespace {

// The whole text through iconv at once, best fit under C.UTF-8 and "?" where
// iconv has nothing: what the code page's table must reproduce.
QByteArray encodeWithIconvAlone(const char *codePage, QStringView text)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    const locale_t previous = uselocale(utf8);
    const iconv_t cd = iconv_open((QByteArray(codePage) + "//TRANSLIT").constData(), "UTF-16LE");
    QByteArray bytes;
    char *in = const_cast<char *>(reinterpret_cast<const char *>(text.utf16()));
    size_t inLeft = size_t(text.size()) * 2;
    while (inLeft > 0) {
        char buffer[4096];
        char *out = buffer;
        size_t outLeft = sizeof buffer;
        const bool failed = iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1);
        const int err = errno;
        bytes.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (failed && (err == EILSEQ || err == EINVAL)) {
            bytes += '?';
            const char16_t *unit = reinterpret_cast<const char16_t *>(in);
            const size_t step = QChar::isHighSurrogate(unit[0]) && inLeft >= 4 && QChar::isLowSurrogate(unit[1]) ? 4 : 2;
            in += step;
            inLeft -= step;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    uselocale(previous);
    freelocale(utf8);
    return bytes;
}

// Every code unit of the basic plane, a line of 48 each, between ASCII and
// Cyrillic neighbours, with lone and paired surrogates and characters that
// combine with those after them.
QString everyCharacter()
{
    QString text;
    for (char32_t c = 1; c < 0x10000; ++c) {
        text += QChar(char16_t(c));
        text += c % 3 ? u'a' : u'\u0436';
        if (c % 48 == 0)
            text += c % 96 ? u"\r\n" : u"\n";
    }
    text += QStringLiteral("e\u0301 A\u030A \U0001F600 \xD800x \u2192\u2192 \u00C6\u0301");
    return text;
}

class EncodeTable : public testing::TestWithParam<const char *>
{
};

TEST_P(EncodeTable, EncodesEveryCharacterAsIconvAlone)
{
    const CodePage page(QString::fromLatin1(GetParam()));
    const QString text = everyCharacter();
    EXPECT_EQ(page.encode(text), encodeWithIconvAlone(GetParam(), text));
}

// IBM037 does not write ASCII as itself.
INSTANTIATE_TEST_SUITE_P(CodePages, EncodeTable, testing::Values("CP1251", "CP1252", "KOI8-R", "CP866", "IBM037"));

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
