#pragma once

#include <QByteArrayView>

#include <optional>

namespace lorvane {

// The file version of a fixed file information record: P1.P2.P3.P4.
struct FixedFileVersion
{
    quint16 part1 = 0;
    quint16 part2 = 0;
    quint16 part3 = 0;
    quint16 part4 = 0;
};

inline constexpr quint32 kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr qsizetype kResourceDirectorySize = 16;

// The fixed file version held by a version information block
// (VS_VERSIONINFO), or nothing when the block holds no valid VS_FIXEDFILEINFO.
std::optional<FixedFileVersion> ParseFixedFileVersion(QByteArrayView block);

// The TimeDateStamp of a resource directory header (IMAGE_RESOURCE_DIRECTORY),
// or nothing when the header is incomplete.
std::optional<quint32> ResourceDirectoryStamp(QByteArrayView header);

} // namespace lorvane
