// Reads arbitrary bytes as a PE or ELF image with both version readers.

#include "core/error.h"
#include "version/versionstamp.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace lorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath("image.exe");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    VersionText(path);
    try {
        BuildDate(path);
    } catch (const Error &) {
        // An invalid stamp is one of the two encode errors.
    }
    return 0;
}
