#pragma once

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <stdexcept>

// The settings store of the test program, in a private folder: QSettings
// keeps the folder it found first, so XDG_CONFIG_HOME is set once, before
// any store is opened. Each call empties the store.
inline QString EmptyTestStore()
{
    static QTemporaryDir home;
    static const bool isolated = qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    const QString file = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tessivar"),
                                   QStringLiteral("Lorvane"))
                             .fileName();
    if (!isolated || !file.startsWith(home.path()))
        throw std::logic_error("the test store is not isolated");
    QFile::remove(file);
    return file;
}

// The store as a test edits it directly.
inline QSettings RawStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tessivar"),
                     QStringLiteral("Lorvane"));
}
