#include "core/error.h"
#include "core/sourcelines.h"
#include "testsupport/testfiles.h"
#include "core/textfile.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "testsupport/testing.h"

using namespace lorvane;
using namespace lorvane::test;

namespace {

// Reads a file both ways; an empty optional stands for a failed read.
std::optional<QStringList> viaReadLines(const QString &path)
{
    QStringList lines;
    try {
        ReadLines(path, lines);
    } catch (const Error &) {
        return std::nullopt;
    }
    return lines;
}

std::optional<QStringList> viaSourceLines(SourceLines &source, const QString &path)
{
    try {
        source.read(path);
    } catch (const Error &) {
        return std::nullopt;
    }
    QStringList lines;
    for (qsizetype i = 0; source.has(i); ++i)
        lines << source.line(i).toString();
    EXPECT_TRUE(source.line(lines.size()).isEmpty());
    return lines;
}

QByteArray randomText(QRandomGenerator &random)
{
    static const QByteArray pieces[] = {"\r", "\n", "\r\n", "\n\r", QByteArray(1, '\0'), "abc", "  05.03.2019 [+] x",
                                        "\xD0\x9F", "\xC3", "\x98", "\xEF\xBB\xBF", "\xFF\xFE", "{==", "\xE2\x80\xA6",
                                        "a long run of plain ASCII text past sixteen bytes", "\xD0\x9F\xD0\xB8 ascii tail"};
    static const QByteArray marks[] = {"", "", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    QByteArray bytes = marks[random.bounded(5)];
    const int count = random.bounded(16);
    for (int i = 0; i < count; ++i)
        bytes += pieces[random.bounded(int(std::size(pieces)))];
    return bytes;
}

TEST(SourceLinesTest, GivesExactlyTheLinesOfReadLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.pas");
    QRandomGenerator random(20261209);
    SourceLines source;
    for (int round = 0; round < 3000; ++round) {
        const QByteArray bytes = randomText(random);
        writeBytes(path, bytes);
        ASSERT_EQ(viaSourceLines(source, path), viaReadLines(path)) << bytes.toHex().toStdString();
    }
}

TEST(SourceLinesTest, LinesAreFoundLazilyAndViewsStayValid)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.pas");
    writeBytes(path, encode(QStringLiteral("первая\r\nвторая\nтретья"), Encoding::Cp1251));
    SourceLines source;
    source.read(path);
    const QStringView first = source.line(0);
    EXPECT_EQ(source.line(2), QStringLiteral("третья"));
    EXPECT_FALSE(source.has(3));
    EXPECT_EQ(first, QStringLiteral("первая"));
}

// A file in the code page is read in steps as far as its lines reach; a
// break that straddles a step, or a file that ends right at one, reads as
// when it is read whole.
TEST(SourceLinesTest, GivesTheLinesOfReadLinesAcrossReadSteps)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.pas");
    SourceLines source;
    const QByteArray breaks[] = {"", "\r\n", "\r", "\n", "\n\r", QByteArray(1, '\0'), "\r\n\r\n", "\r\0"};
    for (const qsizetype step : {qsizetype(8 * 1024), qsizetype(16 * 1024), qsizetype(32 * 1024)}) {
        for (qsizetype before = step - 3; before <= step + 1; ++before) {
            for (const QByteArray &lineBreak : breaks) {
                for (const QByteArray &tail : {QByteArray(), QByteArray("last line")}) {
                    const QByteArray bytes = "{==\r\n" + QByteArray(before - 5, '\xC0') + lineBreak + tail;
                    writeBytes(path, bytes);
                    ASSERT_EQ(viaSourceLines(source, path), viaReadLines(path))
                        << before << " " << lineBreak.toHex().toStdString() << " " << tail.toStdString();
                }
            }
        }
    }
}

// Files of the proc file system claim no size and still have content.
TEST(SourceLinesTest, FileThatClaimsNoSizeIsReadAsReadLinesReadsIt)
{
    const QString path = QStringLiteral("/proc/version");
    if (!QFileInfo::exists(path) || QFileInfo(path).size() != 0)
        GTEST_SKIP() << "no proc file system";
    SourceLines source;
    const std::optional<QStringList> lines = viaSourceLines(source, path);
    ASSERT_TRUE(lines.has_value());
    EXPECT_FALSE(lines->isEmpty());
    EXPECT_EQ(lines, viaReadLines(path));
}

} // namespace
