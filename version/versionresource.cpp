#include "version/versionresource.h"

#include <QtEndian>

namespace lorvane {

namespace {

constexpr qsizetype kBlockHeaderSize = 6; // wLength, wValueLength, wType
constexpr qsizetype kFixedFileInfoSize = 52;

quint16 word(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.data() + offset);
}

quint32 dword(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.data() + offset);
}

} // namespace

std::optional<FixedFileVersion> ParseFixedFileVersion(QByteArrayView block)
{
    if (block.size() < kBlockHeaderSize)
        return std::nullopt;
    block.truncate(qMin<qsizetype>(word(block, 0), block.size()));
    const qsizetype valueLength = word(block, 2);

    // The value follows the NUL-terminated UTF-16 key, aligned to 32 bits.
    qsizetype offset = kBlockHeaderSize;
    while (offset + 2 <= block.size() && word(block, offset) != 0)
        offset += 2;
    offset = (offset + 2 + 3) & ~qsizetype(3);

    if (valueLength < kFixedFileInfoSize || offset + kFixedFileInfoSize > block.size()
        || dword(block, offset) != kFixedFileInfoSignature)
        return std::nullopt;
    const quint32 versionMS = dword(block, offset + 8);
    const quint32 versionLS = dword(block, offset + 12);
    return FixedFileVersion{quint16(versionMS >> 16), quint16(versionMS), quint16(versionLS >> 16),
                            quint16(versionLS)};
}

std::optional<quint32> ResourceDirectoryStamp(QByteArrayView header)
{
    if (header.size() < kResourceDirectorySize)
        return std::nullopt;
    return dword(header, 4);
}

} // namespace lorvane
