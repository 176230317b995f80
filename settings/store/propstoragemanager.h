#pragma once

#include <QObject>
#include <QString>

class QIODevice;

namespace lorvane {

class TPropStorageEh;

// A storage manager without storage of its own: turns a component's
// properties into a stream and back; the storing is its descendants'.
class TPropStorageManagerEh : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool WriteAsText READ WriteAsText WRITE setWriteAsText)

public:
    explicit TPropStorageManagerEh(QObject *owner = nullptr);

    // Store the stream in its text form rather than as hexadecimal text.
    bool WriteAsText() const { return m_writeAsText; }
    void setWriteAsText(bool value) { m_writeAsText = value; }

    virtual void ReadProperties(TPropStorageEh &propStorage);
    // Reads the stream in its byte or text form into the component's owner;
    // fails with "Invalid stream format." for bytes in neither form.
    virtual void ReadPropertiesStream(QIODevice *stream, TPropStorageEh &propStorage);
    // Writes the component's properties as a stream, or as its text when
    // WriteAsText is set.
    virtual void WriteProperties(TPropStorageEh &propStorage);
    virtual void WritePropertiesStream(TPropStorageEh &propStorage, QIODevice *stream);
    virtual void WritePropertiesText(TPropStorageEh &propStorage, const QString &text);

private:
    bool m_writeAsText = true;
};

} // namespace lorvane
