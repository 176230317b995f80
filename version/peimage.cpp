#include "version/peimage.h"

#include "version/versionresource.h"

#include <QtEndian>

#include <algorithm>
#include <vector>

namespace lorvane {

namespace {

constexpr quint64 kDosHeaderSize = 64;
constexpr quint64 kFileHeaderSize = 20;
constexpr quint64 kSignatureSize = 4;
// The build stamp is looked up behind a 32-bit optional header with 16 data
// directories, whatever size the file header gives.
constexpr quint64 kAssumedOptionalHeaderSize = 224;
constexpr quint64 kSectionHeaderSize = 40;
constexpr quint64 kDirectoryEntrySize = 8;
constexpr quint64 kDataEntrySize = 16;
constexpr quint32 kSubdirectoryFlag = 0x80000000;
constexpr quint32 kVersionResourceType = 16; // RT_VERSION
// A VS_VERSIONINFO block measures its length in a 16-bit field.
constexpr quint64 kMaxVersionInfoSize = 0xFFFF;

quint16 word(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 dword(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

struct FileHeader
{
    quint64 offset = 0; // of the file header, behind the signature
    quint16 numberOfSections = 0;
    quint16 sizeOfOptionalHeader = 0;
};

struct SectionHeader
{
    QByteArray name;
    quint32 virtualAddress = 0;
    quint32 sizeOfRawData = 0;
    quint32 pointerToRawData = 0;
};

std::optional<FileHeader> readFileHeader(const BinaryFile &file)
{
    const std::optional<QByteArray> dosHeader = file.read(0, kDosHeaderSize);
    if (!dosHeader || !dosHeader->startsWith("MZ"))
        return std::nullopt;
    const quint64 ntHeaders = dword(*dosHeader, 60);
    const std::optional<QByteArray> headers = file.read(ntHeaders, kSignatureSize + kFileHeaderSize);
    if (!headers || !headers->startsWith(QByteArrayView("PE\0\0", 4)))
        return std::nullopt;
    return FileHeader{ntHeaders + kSignatureSize, word(*headers, 4 + 2), word(*headers, 4 + 16)};
}

// The section headers from `tableOffset` on, as many of `count` as the file holds.
std::vector<SectionHeader> readSectionTable(const BinaryFile &file, quint64 tableOffset, quint16 count)
{
    const quint64 available = tableOffset < file.size() ? (file.size() - tableOffset) / kSectionHeaderSize : 0;
    const quint64 fitting = qMin<quint64>(count, available);
    const std::optional<QByteArray> table = file.read(tableOffset, fitting * kSectionHeaderSize);
    std::vector<SectionHeader> sections;
    if (!table)
        return sections;
    sections.reserve(fitting);
    for (quint64 i = 0; i < fitting; ++i) {
        const qsizetype at = qsizetype(i * kSectionHeaderSize);
        sections.push_back(SectionHeader{table->mid(at, 8), dword(*table, at + 12), dword(*table, at + 16),
                                         dword(*table, at + 20)});
    }
    return sections;
}

const SectionHeader *findResourceSection(const std::vector<SectionHeader> &sections)
{
    for (const SectionHeader &section : sections) {
        if (section.name == QByteArrayView(".rsrc\0\0\0", 8))
            return &section;
    }
    return nullptr;
}

// The file offset of a relative virtual address, in the raw data of a section.
std::optional<quint64> fileOffsetOf(const std::vector<SectionHeader> &sections, quint32 rva)
{
    for (const SectionHeader &section : sections) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.sizeOfRawData)
            return quint64(section.pointerToRawData) + (rva - section.virtualAddress);
    }
    return std::nullopt;
}

// The OffsetToData of the first entry of the resource directory at `directory`
// (an offset into the resource section at `base`) that `accept` takes.
template<typename Accept>
std::optional<quint32> findDirectoryEntry(const BinaryFile &file, quint64 base, quint64 directory, Accept accept)
{
    const std::optional<QByteArray> header = file.read(base + directory, kResourceDirectorySize);
    if (!header)
        return std::nullopt;
    const quint64 count = quint64(word(*header, 12)) + word(*header, 14);
    const std::optional<QByteArray> entries
        = file.read(base + directory + kResourceDirectorySize, count * kDirectoryEntrySize);
    if (!entries)
        return std::nullopt;
    for (quint64 i = 0; i < count; ++i) {
        const qsizetype at = qsizetype(i * kDirectoryEntrySize);
        const quint32 name = dword(*entries, at);
        const quint32 offsetToData = dword(*entries, at + 4);
        if (accept(name, offsetToData))
            return offsetToData;
    }
    return std::nullopt;
}

bool isSubdirectory(quint32 offsetToData)
{
    return (offsetToData & kSubdirectoryFlag) != 0;
}

} // namespace

std::optional<quint32> ReadPeBuildStamp(const BinaryFile &file)
{
    const std::optional<FileHeader> header = readFileHeader(file);
    if (!header)
        return std::nullopt;
    const std::vector<SectionHeader> sections = readSectionTable(
        file, header->offset + kFileHeaderSize + kAssumedOptionalHeaderSize, header->numberOfSections);
    const SectionHeader *resources = findResourceSection(sections);
    if (!resources)
        return std::nullopt;
    const std::optional<QByteArray> directory = file.read(resources->pointerToRawData, kResourceDirectorySize);
    return directory ? ResourceDirectoryStamp(*directory) : std::nullopt;
}

std::optional<QByteArray> ReadPeVersionResource(const BinaryFile &file)
{
    const std::optional<FileHeader> header = readFileHeader(file);
    if (!header)
        return std::nullopt;
    const std::vector<SectionHeader> sections = readSectionTable(
        file, header->offset + kFileHeaderSize + header->sizeOfOptionalHeader, header->numberOfSections);
    const SectionHeader *resources = findResourceSection(sections);
    if (!resources)
        return std::nullopt;

    // Type, then name, then language: take the first name and language.
    const quint64 base = resources->pointerToRawData;
    const std::optional<quint32> names = findDirectoryEntry(file, base, 0, [](quint32 name, quint32 data) {
        return name == kVersionResourceType && isSubdirectory(data);
    });
    if (!names)
        return std::nullopt;
    const auto first = [](quint32, quint32) { return true; };
    const std::optional<quint32> languages = findDirectoryEntry(file, base, *names & ~kSubdirectoryFlag, first);
    if (!languages || !isSubdirectory(*languages))
        return std::nullopt;
    const std::optional<quint32> dataEntry = findDirectoryEntry(file, base, *languages & ~kSubdirectoryFlag, first);
    if (!dataEntry || isSubdirectory(*dataEntry))
        return std::nullopt;

    const std::optional<QByteArray> entry = file.read(base + *dataEntry, kDataEntrySize);
    if (!entry)
        return std::nullopt;
    const std::optional<quint64> offset = fileOffsetOf(sections, dword(*entry, 0));
    if (!offset || *offset >= file.size())
        return std::nullopt;
    const quint64 size = std::min<quint64>({dword(*entry, 4), kMaxVersionInfoSize, file.size() - *offset});
    return file.read(*offset, size);
}

} // namespace lorvane
