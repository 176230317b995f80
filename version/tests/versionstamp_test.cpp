#include "version/versionstamp.h"

#include "core/error.h"
#include "version/tests/testimages.h"
#include "version/versionsection.h"

#include <QFile>
#include <QTemporaryDir>

#include "testsupport/testing.h"

namespace lorvane {
namespace {

using test::BuildElf;
using test::BuildPe;
using test::PeImage;

class VersionStampTest : public ::testing::Test
{
protected:
    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("image.exe"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static void setModified(const QString &path, const QDateTime &time)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }

    static QString stampMessage(const QString &path)
    {
        try {
            BuildDate(path);
        } catch (const Error &error) {
            return error.message();
        }
        return QString();
    }

private:
    QTemporaryDir m_dir;
};

const QDateTime kStampTime(QDate(2020, 6, 15), QTime(9, 30, 0));
const QDateTime kEarlier(QDate(2011, 3, 4), QTime(5, 6, 8));

struct FormatCase
{
    FixedFileVersion version;
    const char *text;
};

class VersionFormatTest : public VersionStampTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(VersionFormatTest, FormatsThirdPartSecondAndSecondPartZeroPadded)
{
    const QString path = write(BuildPe({GetParam().version, 0x50CF4BC0}));
    EXPECT_EQ(VersionText(path), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionFormatTest,
                         ::testing::Values(FormatCase{{1, 3, 5, 42}, "1.5.00300042"},
                                           FormatCase{{1, 1000, 0, 0}, "1.0.100000000"},
                                           FormatCase{{12, 0, 0, 1}, "12.0.00000001"},
                                           FormatCase{{65535, 65535, 65535, 65535}, "65535.65535.6553565535"}),
                         [](const auto &info) { return QString::fromLatin1(info.param.text).replace(u'.', u'_').toStdString(); });

TEST_F(VersionStampTest, LineNamesVersionAndStampDate)
{
    const QString path = write(BuildPe({FixedFileVersion{1, 3, 5, 42}, 0x50CF4BC0}));
    EXPECT_EQ(BuildDate(path), kStampTime);
    EXPECT_EQ(VersionLineOf(path, QStringLiteral("Версия ")), QStringLiteral("Версия 1.5.00300042 от 15.06.2020"));
}

TEST_F(VersionStampTest, LineIsPrefixAloneForFirstPartZeroOrNoVersion)
{
    const QString zero = write(BuildPe({FixedFileVersion{0, 9, 1, 7}, 0x50CF4BC0}), QStringLiteral("zero.exe"));
    const QString none = write(BuildPe({std::nullopt, 0x50CF4BC0}), QStringLiteral("none.exe"));
    EXPECT_EQ(VersionText(zero), QStringLiteral("0.1.00900007"));
    EXPECT_EQ(VersionLineOf(zero, QStringLiteral("Версия ")), QStringLiteral("Версия "));
    EXPECT_EQ(VersionText(none), QStringLiteral("0.0.0000000"));
    EXPECT_EQ(VersionLineOf(none, QStringLiteral("Версия ")), QStringLiteral("Версия "));
}

TEST_F(VersionStampTest, ZeroStampFollowsModificationTime)
{
    const QString zero = write(BuildPe({FixedFileVersion{1, 0, 0, 1}, 0}), QStringLiteral("zero.exe"));
    const QString stamped = write(BuildPe({FixedFileVersion{1, 0, 0, 1}, 0x50CF4BC0}), QStringLiteral("stamped.exe"));
    for (const QDateTime &time : {kEarlier, kEarlier.addDays(400)}) {
        setModified(zero, time);
        setModified(stamped, time);
        EXPECT_EQ(BuildDate(zero), time);
        EXPECT_EQ(BuildDate(stamped), kStampTime);
    }
    EXPECT_EQ(VersionLineOf(zero, QString()), QStringLiteral("1.0.00000001 от 07.04.2012"));
}

struct InvalidStampCase
{
    const char *name;
    quint32 stamp;
    const char *message;
};

class InvalidStampTest : public VersionStampTest, public ::testing::WithParamInterface<InvalidStampCase>
{
};

TEST_P(InvalidStampTest, Throws)
{
    const QString path = write(BuildPe({FixedFileVersion{1, 0, 0, 1}, GetParam().stamp}));
    EXPECT_EQ(stampMessage(path), QString::fromLatin1(GetParam().message));
}

constexpr quint32 stamp(int year, int month, int day, int hour, int minute, int halfSeconds)
{
    return quint32(year - 1980) << 25 | quint32(month) << 21 | quint32(day) << 16 | quint32(hour) << 11
        | quint32(minute) << 5 | quint32(halfSeconds);
}

constexpr char kDateError[] = "Invalid argument to date encode";
constexpr char kTimeError[] = "Invalid argument to time encode";

INSTANTIATE_TEST_SUITE_P(Cases, InvalidStampTest,
                         ::testing::Values(InvalidStampCase{"MonthZero", stamp(2020, 0, 15, 9, 30, 0), kDateError},
                                           InvalidStampCase{"Month13", stamp(2020, 13, 15, 9, 30, 0), kDateError},
                                           InvalidStampCase{"DayZero", stamp(2020, 6, 0, 9, 30, 0), kDateError},
                                           InvalidStampCase{"February29In2021", stamp(2021, 2, 29, 9, 30, 0), kDateError},
                                           InvalidStampCase{"DateAndTime", stamp(2020, 6, 0, 24, 60, 30), kDateError},
                                           InvalidStampCase{"Hour24", stamp(2020, 6, 15, 24, 0, 0), kTimeError},
                                           InvalidStampCase{"Minute60", stamp(2020, 6, 15, 9, 60, 0), kTimeError},
                                           InvalidStampCase{"Second60", stamp(2020, 6, 15, 9, 30, 30), kTimeError}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(VersionStampTest, ValidStampEdgesAreAccepted)
{
    const QString path = write(BuildPe({FixedFileVersion{1, 0, 0, 1}, stamp(2020, 2, 29, 23, 59, 29)}));
    EXPECT_EQ(BuildDate(path), QDateTime(QDate(2020, 2, 29), QTime(23, 59, 58)));
}

class SectionOrderTest : public VersionStampTest, public ::testing::WithParamInterface<QList<QByteArray>>
{
};

TEST_P(SectionOrderTest, ResourceSectionIsFoundByName)
{
    const QString path = write(BuildPe({FixedFileVersion{1, 3, 5, 42}, 0x50CF4BC0, GetParam()}));
    EXPECT_EQ(VersionText(path), QStringLiteral("1.5.00300042"));
    EXPECT_EQ(BuildDate(path), kStampTime);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SectionOrderTest,
                         ::testing::Values(QList<QByteArray>{".rsrc"}, QList<QByteArray>{".rsrc", ".text"},
                                           QList<QByteArray>{".text", ".rsrc", ".reloc"},
                                           QList<QByteArray>{".text", ".data", ".rsrc"}),
                         [](const auto &info) { return info.param.join('_').replace('.', "").toStdString(); });

TEST_F(VersionStampTest, WithoutResourceSectionDateIsModificationTime)
{
    const QString noRsrc = write(BuildPe({std::nullopt, 0x50CF4BC0, {".text", ".rsrcx"}}), QStringLiteral("a.exe"));
    const QString notImage = write("plain text, no image at all\n", QStringLiteral("b.txt"));
    for (const QString &path : {noRsrc, notImage}) {
        setModified(path, kEarlier);
        EXPECT_EQ(VersionText(path), QStringLiteral("0.0.0000000"));
        EXPECT_EQ(BuildDate(path), kEarlier);
    }
}

TEST_F(VersionStampTest, MissingFileGivesPlaceholderAndNoDate)
{
    const QString path = write({}) + QStringLiteral(".missing");
    EXPECT_EQ(VersionText(path), QStringLiteral("0.0.0000000"));
    EXPECT_FALSE(BuildDate(path).isValid());
    EXPECT_EQ(VersionLineOf(path, QStringLiteral("Версия ")), QStringLiteral("Версия "));
}

TEST_F(VersionStampTest, ElfSectionCarriesVersionAndStamp)
{
    const auto section = [](quint32 stamp) {
        const VersionSection bytes = BuildVersionSection({1, 3, 5, 42}, stamp);
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    };
    const QString stamped = write(BuildElf(kVersionSectionName, section(0x50CF4BC0)), QStringLiteral("stamped"));
    const QString zero = write(BuildElf(kVersionSectionName, section(0)), QStringLiteral("zero"));
    const QString other = write(BuildElf(".lorvane_other", section(0x50CF4BC0)), QStringLiteral("other"));
    setModified(zero, kEarlier);
    setModified(other, kEarlier);

    EXPECT_EQ(VersionLineOf(stamped, QStringLiteral("Версия ")), QStringLiteral("Версия 1.5.00300042 от 15.06.2020"));
    EXPECT_EQ(BuildDate(zero), kEarlier);
    EXPECT_EQ(VersionText(other), QStringLiteral("0.0.0000000"));
    EXPECT_EQ(BuildDate(other), kEarlier);
}

TEST(OwnExecutableTest, CarriesProjectVersionAndConfigureTime)
{
    const QDateTime configured = QDateTime::fromString(QStringLiteral(LORVANE_TEST_BUILD_STAMP), Qt::ISODate);
    ASSERT_TRUE(configured.isValid());
    // The stamp keeps seconds in steps of two.
    const QTime time = configured.time();
    const QDateTime expected(configured.date(), QTime(time.hour(), time.minute(), time.second() / 2 * 2));

    EXPECT_EQ(VersionText(QStringLiteral("*")), QStringLiteral("1.0.00000001"));
    EXPECT_EQ(BuildDate(QStringLiteral("*")), expected);
    EXPECT_EQ(VersionLine(QStringLiteral("Версия ")),
              QStringLiteral("Версия 1.0.00000001 от ") + expected.toString(QStringLiteral("dd.MM.yyyy")));
}

} // namespace
} // namespace lorvane
