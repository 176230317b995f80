#pragma once

#include "version/versionresource.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace lorvane::test {

// A small 32-bit PE image whose sections each take 0x200 bytes of the file,
// the first at file offset 0x200 and virtual address 0x1000.
struct PeImage
{
    std::optional<FixedFileVersion> version; // no version resource when empty
    quint32 stamp = 0;
    QList<QByteArray> sectionNames = {".text", ".rsrc", ".reloc"};
};

inline constexpr qsizetype kPeFileHeader = 0x44;     // behind "PE\0\0" at 0x40
inline constexpr qsizetype kPeSectionTable = 0x138;  // behind a 224-byte optional header
inline constexpr qsizetype kPeSectionSize = 0x200;
// Offsets inside the resource section.
inline constexpr qsizetype kRsrcDataEntry = 0x50;
inline constexpr qsizetype kRsrcVersionInfo = 0x60;

QByteArray BuildPe(const PeImage &image);
qsizetype PeSectionOffset(qsizetype index);

// A 64-bit little-endian ELF file with one section besides its name table.
QByteArray BuildElf(const QByteArray &sectionName, const QByteArray &content);

void PutLe16(QByteArray &bytes, qsizetype offset, quint16 value);
void PutLe32(QByteArray &bytes, qsizetype offset, quint32 value);

} // namespace lorvane::test
