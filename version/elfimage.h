#pragma once

#include "version/binaryfile.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace lorvane {

bool IsElfImage(const BinaryFile &file);

// The content of the first section called `name` in an ELF file's section
// table, or nothing when there is none within the file.
std::optional<QByteArray> ReadElfSection(const BinaryFile &file, QByteArrayView name);

} // namespace lorvane
