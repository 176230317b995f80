#include "version/versionstamp.h"

#include "core/error.h"
#include "version/tests/testimages.h"
#include "version/versionsection.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include "testsupport/testing.h"

#include <functional>

namespace lorvane {
namespace {

using test::BuildElf;
using test::BuildPe;
using test::PeImage;
using test::PeSectionOffset;
using test::PutLe16;
using test::PutLe32;

const QString kPlaceholder = QStringLiteral("0.0.0000000");
const QString kFullVersion = QStringLiteral("1.5.00300042");

// Reads the bytes as a file with both readers. Anything but the placeholder,
// a version text, a date or a stamp error fails; a crash or a hang ends the run.
class MalformedTest : public ::testing::Test
{
protected:
    void readBoth(const QByteArray &bytes, const QString &context)
    {
        SCOPED_TRACE(context.toStdString());
        const QString path = m_dir.filePath(QStringLiteral("image"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        const QString version = VersionText(path);
        EXPECT_TRUE(version == kPlaceholder || version.count(u'.') == 2) << version.toStdString();
        try {
            EXPECT_TRUE(BuildDate(path).isValid());
        } catch (const Error &error) {
            EXPECT_TRUE(error.message() == QLatin1String("Invalid argument to date encode")
                        || error.message() == QLatin1String("Invalid argument to time encode"))
                << error.what();
        }
    }

    QString lastVersion() const { return VersionText(m_dir.filePath(QStringLiteral("image"))); }

    void mutateRandomly(const QByteArray &valid, int rounds)
    {
        QRandomGenerator random(20200615);
        for (int round = 0; round < rounds; ++round) {
            QByteArray bytes = valid;
            const int changes = 1 + int(random.bounded(4));
            for (int i = 0; i < changes; ++i)
                bytes[qsizetype(random.bounded(quint32(bytes.size())))] = char(random.bounded(256));
            readBoth(bytes, QStringLiteral("round %1").arg(round));
        }
    }

private:
    QTemporaryDir m_dir;
};

const PeImage kValidPe{FixedFileVersion{1, 3, 5, 42}, 0x50CF4BC0};
const qsizetype kRsrc = PeSectionOffset(1);

QByteArray validElf()
{
    const VersionSection section = BuildVersionSection({1, 3, 5, 42}, 0x50CF4BC0);
    return BuildElf(kVersionSectionName,
                    QByteArray(reinterpret_cast<const char *>(section.data()), qsizetype(section.size())));
}

TEST_F(MalformedTest, HostileFieldsAreBounded)
{
    const std::vector<std::pair<const char *, std::function<void(QByteArray &)>>> cases = {
        {"header offset past the end", [](QByteArray &b) { PutLe32(b, 60, 0xFFFFFFF0); }},
        {"all sections claimed", [](QByteArray &b) { PutLe16(b, test::kPeFileHeader + 2, 0xFFFF); }},
        {"huge optional header", [](QByteArray &b) { PutLe16(b, test::kPeFileHeader + 16, 0xFFFF); }},
        {"resource data past the end", [](QByteArray &b) { PutLe32(b, test::kPeSectionTable + 40 + 20, 0xFFFFFFF0); }},
        {"huge entry counts", [](QByteArray &b) { PutLe32(b, kRsrc + 12, 0xFFFFFFFF); }},
        {"directory pointing at itself", [](QByteArray &b) { PutLe32(b, kRsrc + 0x2C, 0x80000020); }},
        {"huge version size", [](QByteArray &b) { PutLe32(b, kRsrc + test::kRsrcDataEntry + 4, 0xFFFFFFFF); }},
        {"unmapped version address", [](QByteArray &b) { PutLe32(b, kRsrc + test::kRsrcDataEntry, 0xFFFFFF00); }},
        {"huge version block length", [](QByteArray &b) { PutLe16(b, kRsrc + test::kRsrcVersionInfo, 0xFFFF); }},
    };
    for (const auto &[name, damage] : cases) {
        QByteArray bytes = BuildPe(kValidPe);
        damage(bytes);
        readBoth(bytes, QString::fromLatin1(name));
    }
}

TEST_F(MalformedTest, HostileElfFieldsAreBounded)
{
    const QByteArray valid = validElf();
    const qsizetype table = qsizetype(qFromLittleEndian<quint64>(valid.constData() + 0x28));
    const std::vector<std::pair<const char *, std::function<void(QByteArray &)>>> cases = {
        {"table past the end", [](QByteArray &b) { PutLe32(b, 0x2C, 0x7FFFFFFF); }},
        {"all sections claimed", [](QByteArray &b) { PutLe16(b, 0x3C, 0xFFFF); }},
        {"extended section count", [table](QByteArray &b) { PutLe16(b, 0x3C, 0); PutLe32(b, table + 32, 0xFFFFFFFF); }},
        {"name table out of range", [](QByteArray &b) { PutLe16(b, 0x3E, 0xFFFE); }},
        {"huge name table", [table](QByteArray &b) { PutLe32(b, table + 64 + 36, 0x7FFFFFFF); }},
        {"name offset past the table", [table](QByteArray &b) { PutLe32(b, table + 128, 0xFFFFFFFF); }},
        {"huge section", [table](QByteArray &b) { PutLe32(b, table + 128 + 36, 1); }},
        {"short entries", [](QByteArray &b) { PutLe16(b, 0x3A, 8); }},
    };
    for (const auto &[name, damage] : cases) {
        QByteArray bytes = valid;
        damage(bytes);
        readBoth(bytes, QString::fromLatin1(name));
    }
}

TEST_F(MalformedTest, EveryTruncationOfAnImage)
{
    for (const QByteArray &valid : {BuildPe(kValidPe), validElf()}) {
        for (qsizetype length = 0; length < valid.size(); ++length)
            readBoth(valid.first(length), QStringLiteral("length %1").arg(length));
        readBoth(valid, QStringLiteral("whole"));
        EXPECT_EQ(lastVersion(), kFullVersion);
    }
}

TEST_F(MalformedTest, RandomBytesInAnImage)
{
    mutateRandomly(BuildPe(kValidPe), 2000);
    mutateRandomly(validElf(), 2000);
}

} // namespace
} // namespace lorvane
