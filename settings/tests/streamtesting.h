#pragma once

#include "settings/mapping/propreader.h"
#include "settings/mapping/propwriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

#include <functional>

inline QByteArray WriteStream(QObject *owner, const QStringList &paths,
                              const std::function<void(lorvane::TPropWriterEh &)> &custom = {})
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    lorvane::TPropWriterEh writer(&buffer, 1024);
    writer.OnWriteOwnerProps = custom;
    writer.WriteOwnerProperties(owner, paths);
    return bytes;
}

inline void ReadStream(QObject *owner, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    lorvane::TPropReaderEh reader(&buffer, 1024);
    reader.ReadOwnerProperties(owner);
}

// The short string of a stream: length byte and the bytes.
inline QByteArray Str(const QByteArray &text)
{
    return char(text.size()) + text;
}
