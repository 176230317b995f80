#pragma once

#include "version/binaryfile.h"

#include <QByteArray>

#include <optional>

namespace lorvane {

// The TimeDateStamp of the resource directory at the start of the first
// section named ".rsrc", or nothing when the file is no PE image or has no
// such section within it.
std::optional<quint32> ReadPeBuildStamp(const BinaryFile &file);

// The data of the first RT_VERSION resource (the VS_VERSIONINFO block), or
// nothing when the image has none.
std::optional<QByteArray> ReadPeVersionResource(const BinaryFile &file);

} // namespace lorvane
