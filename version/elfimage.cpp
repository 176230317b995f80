#include "version/elfimage.h"

#include <QtEndian>

namespace lorvane {

namespace {

constexpr quint64 kIdentSize = 16;
constexpr quint32 kNoBits = 8;             // SHT_NOBITS: the section has no bytes in the file
constexpr quint16 kExtendedIndex = 0xFFFF; // SHN_XINDEX
// Executables have a few dozen sections and a short name table; the limits
// only keep a malformed file from making the reader allocate much.
constexpr quint64 kMaxSections = 0xFFFF;
constexpr quint64 kMaxNameTableSize = 1 << 20;
constexpr quint64 kMaxSectionSize = 1 << 16;

struct Layout
{
    bool is64 = false;
    bool bigEndian = false;
    quint64 headerSize() const { return is64 ? 64 : 52; }
    quint64 sectionHeaderSize() const { return is64 ? 64 : 40; }
};

struct SectionHeader
{
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

class FieldReader
{
public:
    FieldReader(const Layout &layout, const QByteArray &bytes) : m_layout(layout), m_bytes(bytes) {}

    quint64 get(qsizetype offset, int width) const
    {
        const char *at = m_bytes.constData() + offset;
        switch (width) {
        case 2:
            return m_layout.bigEndian ? qFromBigEndian<quint16>(at) : qFromLittleEndian<quint16>(at);
        case 4:
            return m_layout.bigEndian ? qFromBigEndian<quint32>(at) : qFromLittleEndian<quint32>(at);
        default:
            return m_layout.bigEndian ? qFromBigEndian<quint64>(at) : qFromLittleEndian<quint64>(at);
        }
    }
    // An address-sized field: 8 bytes in a 64-bit file, 4 in a 32-bit one.
    quint64 address(qsizetype offset) const { return get(offset, m_layout.is64 ? 8 : 4); }

private:
    const Layout &m_layout;
    const QByteArray &m_bytes;
};

std::optional<Layout> readLayout(const BinaryFile &file)
{
    const std::optional<QByteArray> ident = file.read(0, kIdentSize);
    if (!ident || !ident->startsWith("\x7F" "ELF"))
        return std::nullopt;
    const char elfClass = ident->at(4);
    const char dataEncoding = ident->at(5);
    if ((elfClass != 1 && elfClass != 2) || (dataEncoding != 1 && dataEncoding != 2))
        return std::nullopt;
    return Layout{elfClass == 2, dataEncoding == 2};
}

SectionHeader parseSectionHeader(const Layout &layout, const QByteArray &table, qsizetype at)
{
    const FieldReader field(layout, table);
    if (layout.is64)
        return {quint32(field.get(at, 4)), quint32(field.get(at + 4, 4)), field.get(at + 24, 8),
                field.get(at + 32, 8), quint32(field.get(at + 40, 4))};
    return {quint32(field.get(at, 4)), quint32(field.get(at + 4, 4)), field.get(at + 16, 4),
            field.get(at + 20, 4), quint32(field.get(at + 24, 4))};
}

std::optional<QByteArray> sectionContent(const BinaryFile &file, const SectionHeader &section, quint64 limit)
{
    if (section.type == kNoBits || section.size > limit)
        return std::nullopt;
    return file.read(section.offset, section.size);
}

} // namespace

bool IsElfImage(const BinaryFile &file)
{
    return readLayout(file).has_value();
}

std::optional<QByteArray> ReadElfSection(const BinaryFile &file, QByteArrayView name)
{
    const std::optional<Layout> layout = readLayout(file);
    if (!layout)
        return std::nullopt;
    const std::optional<QByteArray> header = file.read(0, layout->headerSize());
    if (!header)
        return std::nullopt;
    const FieldReader field(*layout, *header);
    const qsizetype tableFields = layout->is64 ? 0x28 : 0x20;
    const quint64 tableOffset = field.address(tableFields);
    const quint64 entrySize = field.get(tableFields + (layout->is64 ? 18 : 14), 2);
    quint64 count = field.get(tableFields + (layout->is64 ? 20 : 16), 2);
    quint64 namesIndex = field.get(tableFields + (layout->is64 ? 22 : 18), 2);
    if (tableOffset == 0 || entrySize < layout->sectionHeaderSize())
        return std::nullopt;

    // Section 0 holds the section count and the name table's index when they
    // do not fit the header's 16-bit fields.
    const std::optional<QByteArray> first = file.read(tableOffset, entrySize);
    if (!first)
        return std::nullopt;
    const SectionHeader initial = parseSectionHeader(*layout, *first, 0);
    if (count == 0)
        count = initial.size;
    if (namesIndex == kExtendedIndex)
        namesIndex = initial.link;
    if (count > kMaxSections || namesIndex >= count)
        return std::nullopt;

    const std::optional<QByteArray> table = file.read(tableOffset, count * entrySize);
    if (!table)
        return std::nullopt;
    const std::optional<QByteArray> names
        = sectionContent(file, parseSectionHeader(*layout, *table, qsizetype(namesIndex * entrySize)), kMaxNameTableSize);
    if (!names)
        return std::nullopt;
    for (quint64 i = 0; i < count; ++i) {
        const SectionHeader section = parseSectionHeader(*layout, *table, qsizetype(i * entrySize));
        if (section.name >= quint64(names->size()))
            continue;
        const QByteArrayView sectionName(names->constData() + section.name,
                                         qstrnlen(names->constData() + section.name, size_t(names->size() - section.name)));
        if (sectionName == name)
            return sectionContent(file, section, kMaxSectionSize);
    }
    return std::nullopt;
}

} // namespace lorvane
