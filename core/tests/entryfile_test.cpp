// Adding an entry to a file on disk reads only its first bytes as text, yet
// the file gets exactly the bytes that the edit of its whole content gives.

#include "core/changeentry.h"
#include "core/entryfile.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/tests/nativefiles.h"
#include "core/tests/pricing_header.h"
#include "core/unifieddiff.h"
#include "testsupport/testfiles.h"

#include <QTemporaryDir>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

const ChangeEntry kEntry{QDate(2026, 12, 10), u'*', {"Новое", "Ещё"}};

// A header and a body of `size` bytes or so below it.
QString sourceText(qsizetype size)
{
    QString text = QString::fromUtf8(kPricingHeader);
    const QString line = QStringLiteral("  Result := Цена * (1 + Наценка / 100);\r\n");
    text.reserve(text.size() + size);
    while (text.size() < size)
        text += line;
    return text;
}

struct BigFile
{
    Encoding encoding;
    const char *lineBreak;
    // Without it the report reads the file to its end.
    bool identificationLine;
};

std::string nameOf(const BigFile &c)
{
    const char *encodings[] = {"cp1251", "utf8", "utf16le", "utf16be"};
    const std::string lineBreak = c.lineBreak[0] == '\n' ? "lf" : c.lineBreak[1] ? "crlf" : "cr";
    return std::string(encodings[int(c.encoding)]) + "_" + lineBreak
           + (c.identificationLine ? "" : "_without_identification_line");
}

class BigFiles : public testing::TestWithParam<BigFile>
{
protected:
    QTemporaryDir dir;
};

TEST_P(BigFiles, GetTheBytesOfTheWholeContentsEdit)
{
    const BigFile c = GetParam();
    QString text = sourceText(600'000);
    if (!c.identificationLine)
        text.remove(QStringLiteral("  CVS: $Id: Pricing.pas,v 1.7 2019/03/05 $\r\n"));
    const QByteArray bytes = encode(text.replace("\r\n", c.lineBreak), c.encoding);
    const QString path = dir.filePath("Pricing.pas");
    writeBytes(path, bytes);
    const EntryEdit whole = AddChangeEntry("Pricing.pas", bytes, kEntry);

    const FileEntryEdit preview = PreviewChangeEntry(path, kEntry);
    EXPECT_EQ(preview.oldHead.size() < bytes.size() / 2, c.identificationLine) << preview.oldHead.size();
    EXPECT_EQ(UnifiedDiff("a", "a", DecodeText(preview.oldHead), DecodeText(preview.edit.bytes)),
              UnifiedDiff("a", "a", DecodeText(bytes), DecodeText(whole.bytes)));
    EXPECT_EQ(readBytes(path), bytes);

    EXPECT_EQ(AddChangeEntryToFile(path, kEntry), whole.notes);
    EXPECT_EQ(readBytes(path), whole.bytes);
    EXPECT_EQ(NamesIn(FileNameToBytes(dir.path())), QList<QByteArray>{"Pricing.pas"});
}

INSTANTIATE_TEST_SUITE_P(EncodingsAndBreaks, BigFiles,
                         testing::Values(BigFile{Encoding::Cp1251, "\r\n", true}, BigFile{Encoding::Cp1251, "\n", true},
                                         BigFile{Encoding::Cp1251, "\r", true},
                                         BigFile{Encoding::Utf8Bom, "\r\n", true},
                                         BigFile{Encoding::Utf16LeBom, "\n", true},
                                         BigFile{Encoding::Utf16BeBom, "\r", true},
                                         BigFile{Encoding::Cp1251, "\r\n", false},
                                         BigFile{Encoding::Utf8Bom, "\n", false}),
                         [](const auto &info) { return nameOf(info.param); });

// UTF-8 is checked a piece at a time: a character that a piece cuts is
// still one character, and an undecodable byte far below the header is
// still found.
TEST(EntryFile, Utf8IsCheckedToTheEndOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Pricing.pas");
    const QByteArray start = encode(sourceText(0), Encoding::Utf8Bom);
    // The check reads pieces of 1 MiB after the mark.
    const qsizetype cut = 3 + (1 << 20) - 2;
    for (const QByteArray &across : {QByteArray("\xF0\x9F\x98\x80"), QByteArray("\xF0\x9F\x98"),
                                     QByteArray("\xF0\x9F\x98\x80\xBF")}) {
        const QByteArray bytes = start + QByteArray(cut - start.size(), ' ') + across + "\r\nend;\r\n";
        writeBytes(path, bytes);
        QString message;
        try {
            AddChangeEntryToFile(path, kEntry);
        } catch (const Error &e) {
            message = e.message();
        }
        if (across.size() == 4) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(readBytes(path), AddChangeEntry("Pricing.pas", bytes, kEntry).bytes);
        } else {
            EXPECT_EQ(message, NoMappingError().message()) << across.size();
            EXPECT_EQ(readBytes(path), bytes);
        }
    }
}

} // namespace
