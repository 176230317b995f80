// Feeds arbitrary bytes to the property stream reader over small fake
// windows: no input may crash it, hang it or make it allocate out of
// proportion to the input.

#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/mapping/propreader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

void Read(QObject *window, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    lorvane::TPropReaderEh reader(&buffer, 64);
    try {
        reader.ReadOwnerProperties(window);
    } catch (const lorvane::Error &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FormInterceptorScope interceptors;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    FakeMainWindow window;
    auto *grid = new FakeGrid(&window, QStringLiteral("grid"));
    grid->m_columns.Add();
    Read(&window, bytes);

    FakeDialog dialog;
    Read(&dialog, bytes);
    return 0;
}
