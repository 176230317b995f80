#include "version/tests/testimages.h"

#include <QtEndian>

namespace lorvane::test {

namespace {

QByteArray le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le64(quint64 value)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray directory(quint32 stamp, quint16 idEntries)
{
    return le32(0) + le32(stamp) + le32(0) + le16(0) + le16(idEntries);
}

QByteArray versionInfo(const FixedFileVersion &v)
{
    QByteArray block = le16(92) + le16(52) + le16(0);
    for (char c : QByteArray("VS_VERSION_INFO"))
        block += le16(quint16(c));
    block += le16(0) + le16(0); // terminator, padding
    block += le32(0xFEEF04BD) + le32(0x00010000);
    block += le32(quint32(v.part1) << 16 | v.part2) + le32(quint32(v.part3) << 16 | v.part4);
    block += QByteArray(52 - 16, '\0');
    return block;
}

QByteArray resourceSection(const PeImage &image, quint32 virtualAddress)
{
    if (!image.version)
        return directory(image.stamp, 0);
    // An icon type before the version type, which the walk must pass over.
    QByteArray rsrc = directory(image.stamp, 2) + le32(3) + le32(0x80000020) + le32(16) + le32(0x80000020);
    rsrc += directory(0, 1) + le32(1) + le32(0x80000038);
    rsrc += directory(0, 1) + le32(0x409) + le32(kRsrcDataEntry);
    rsrc += le32(virtualAddress + kRsrcVersionInfo) + le32(92) + le32(0) + le32(0);
    return rsrc + versionInfo(*image.version);
}

} // namespace

qsizetype PeSectionOffset(qsizetype index)
{
    return kPeSectionSize * (index + 1);
}

QByteArray BuildPe(const PeImage &image)
{
    const qsizetype count = image.sectionNames.size();
    QByteArray file(PeSectionOffset(count), '\0');
    file.replace(0, 2, "MZ");
    PutLe32(file, 60, 0x40);
    file.replace(0x40, 4, QByteArray("PE\0\0", 4));
    PutLe16(file, kPeFileHeader, 0x14C);
    PutLe16(file, kPeFileHeader + 2, quint16(count));
    PutLe16(file, kPeFileHeader + 16, 224);
    PutLe16(file, kPeFileHeader + 20, 0x10B);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype header = kPeSectionTable + 40 * i;
        const quint32 virtualAddress = 0x1000 * quint32(i + 1);
        file.replace(header, image.sectionNames[i].size(), image.sectionNames[i]);
        PutLe32(file, header + 8, kPeSectionSize);
        PutLe32(file, header + 12, virtualAddress);
        PutLe32(file, header + 16, kPeSectionSize);
        PutLe32(file, header + 20, quint32(PeSectionOffset(i)));
        if (image.sectionNames[i] == ".rsrc") {
            const QByteArray rsrc = resourceSection(image, virtualAddress);
            file.replace(PeSectionOffset(i), rsrc.size(), rsrc);
        }
    }
    return file;
}

QByteArray BuildElf(const QByteArray &sectionName, const QByteArray &content)
{
    const QByteArray names = QByteArray("\0.shstrtab\0", 11) + sectionName + '\0';
    const quint64 namesOffset = 64;
    const quint64 contentOffset = namesOffset + quint64(names.size());
    const quint64 tableOffset = (contentOffset + quint64(content.size()) + 7) & ~quint64(7);

    QByteArray file = QByteArray("\x7F" "ELF\x02\x01\x01", 7) + QByteArray(9, '\0');
    file += le16(2) + le16(62) + le32(1) + le64(0) + le64(0) + le64(tableOffset) + le32(0);
    file += le16(64) + le16(0) + le16(0) + le16(64) + le16(3) + le16(1);
    file += names + content;
    file += QByteArray(qsizetype(tableOffset) - file.size(), '\0');
    const auto section = [](quint32 name, quint32 type, quint64 offset, quint64 size) {
        return le32(name) + le32(type) + le64(0) + le64(0) + le64(offset) + le64(size) + QByteArray(24, '\0');
    };
    file += QByteArray(64, '\0');
    file += section(1, 3, namesOffset, quint64(names.size()));
    file += section(11, 1, contentOffset, quint64(content.size()));
    return file;
}

void PutLe16(QByteArray &bytes, qsizetype offset, quint16 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

void PutLe32(QByteArray &bytes, qsizetype offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

} // namespace lorvane::test
