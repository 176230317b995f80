#pragma once

#include "version/versionresource.h"

#include <QByteArray>

#include <array>

namespace lorvane {

// An ELF executable carries its version and build stamp in a section of its
// own: a resource directory header whose TimeDateStamp is the build stamp,
// followed by a version information block (VS_VERSIONINFO) with the fixed
// file version. The generated source of lorvane_embed_version() names the
// section with the same literal.
inline constexpr char kVersionSectionName[] = ".lorvane_ver";

inline constexpr qsizetype kVersionInfoSize = 92; // header, key, padding, VS_FIXEDFILEINFO
inline constexpr qsizetype kVersionSectionSize = kResourceDirectorySize + kVersionInfoSize;

using VersionSection = std::array<unsigned char, kVersionSectionSize>;

// The DOS packed date-time of a local time; 0 (no stamp) for a year that
// the format cannot hold.
constexpr quint32 DosStamp(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1980 || year > 1980 + 127)
        return 0;
    return quint32(year - 1980) << 25 | quint32(month) << 21 | quint32(day) << 16 | quint32(hour) << 11
        | quint32(minute) << 5 | quint32(second / 2);
}

constexpr VersionSection BuildVersionSection(const FixedFileVersion &version, quint32 stamp)
{
    VersionSection bytes{};
    qsizetype at = 0;
    const auto put = [&](quint32 value, int width) {
        for (int i = 0; i < width; ++i)
            bytes[at++] = static_cast<unsigned char>(value >> (8 * i));
    };
    // IMAGE_RESOURCE_DIRECTORY: Characteristics, TimeDateStamp, versions, no entries.
    put(0, 4);
    put(stamp, 4);
    at = kResourceDirectorySize;
    // VS_VERSIONINFO: wLength, wValueLength, wType (binary), key, padding.
    put(kVersionInfoSize, 2);
    put(52, 2);
    put(0, 2);
    for (char c : "VS_VERSION_INFO")
        put(quint32(c), 2);
    put(0, 2);
    // VS_FIXEDFILEINFO: the file and product versions, an application file.
    put(kFixedFileInfoSignature, 4);
    put(0x00010000, 4);
    for (int i = 0; i < 2; ++i) {
        put(quint32(version.part1) << 16 | version.part2, 4);
        put(quint32(version.part3) << 16 | version.part4, 4);
    }
    put(0x3F, 4); // dwFileFlagsMask
    put(0, 4);    // dwFileFlags
    put(0, 4);    // dwFileOS: unknown
    put(1, 4);    // dwFileType: VFT_APP
    return bytes;
}

// The two halves of a version section's content.
QByteArrayView SectionDirectoryHeader(const QByteArray &section);
QByteArrayView SectionVersionInfo(const QByteArray &section);

} // namespace lorvane
