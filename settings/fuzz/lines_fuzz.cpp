// Stores the lines of the input as the "Line" values of a section and has
// the storage manager read that section into a fake window: values in the
// hexadecimal or the text form, any garbage, must never crash or hang it.

#include "core/error.h"
#include "settings/tests/fakewindows.h"
#include "settings/store/propstorage.h"
#include "settings/store/regpropstorageman.h"

#include <QSettings>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const QString kPath = QStringLiteral("Software\\Tessivar\\LorvaneFuzz");

QSettings &Store()
{
    static QTemporaryDir home;
    static const bool isolated = qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tessivar"),
                              QStringLiteral("LorvaneFuzz"));
    Q_UNUSED(isolated);
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FormInterceptorScope interceptors;
    const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');

    QSettings &store = Store();
    store.clear();
    store.beginGroup(QStringLiteral("Section"));
    for (qsizetype i = 0; i < lines.size(); ++i)
        store.setValue(lorvane::TRegPropStorageManEh::LineName(int(i)), QString::fromUtf8(lines[i]));
    store.endGroup();
    store.sync();

    lorvane::TRegPropStorageManEh manager;
    manager.setPath(kPath);
    for (const bool dialog : {false, true}) {
        std::unique_ptr<FakeForm> window;
        if (dialog)
            window = std::make_unique<FakeDialog>();
        else
            window = std::make_unique<FakeMainWindow>();
        auto *storage = new lorvane::TPropStorageEh(window.get());
        storage->setSection(QStringLiteral("Section"));
        storage->setStorageManager(&manager);
        try {
            storage->LoadProperties();
        } catch (const lorvane::Error &) {
        }
    }
    return 0;
}
