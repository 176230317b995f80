#include "version/versionsection.h"

namespace lorvane {

QByteArrayView SectionDirectoryHeader(const QByteArray &section)
{
    return QByteArrayView(section).first(qMin(section.size(), kResourceDirectorySize));
}

QByteArrayView SectionVersionInfo(const QByteArray &section)
{
    return QByteArrayView(section).sliced(qMin(section.size(), kResourceDirectorySize));
}

} // namespace lorvane
